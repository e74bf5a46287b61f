#include "app/MainWindow.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quarrow\u2122"));
    TfMain mainWindow;
    mainWindow.show();
    return QApplication::exec();
}
