#include "app/MainWindow.h"

TfMain::TfMain(QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Quarrow 2009 - Untitled"));
    resize(900, 600);
}
