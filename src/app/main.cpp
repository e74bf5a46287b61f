#include "app/MainWindow.h"
#include "config/Folders.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quarrow\u2122"));
    // The data and projects folders exist from the first start on, so that the first write of
    // the configuration file and the first open dialog find them.
    PrepareFolders();
    TfMain mainWindow;
    mainWindow.show();
    return QApplication::exec();
}
