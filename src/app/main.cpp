#include "app/MainWindow.h"
#include "app/QuarrowApplication.h"
#include "config/Folders.h"
#include "engine/ProcessExit.h"
#include "project/XMLSaveLoad.h"
#include "whois/ExpiryDate.h"

int main(int argc, char* argv[])
{
    TQuarrowApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quarrow\u2122"));
    // The data and projects folders exist from the first start on, so that the first write of
    // the configuration file and the first open dialog find them.
    TMainWindowContext context;
    context.Folders = PrepareFolders();
    TXMLSaveLoad xmlStore;
    context.XmlStore = &xmlStore;
    context.CheckOptions.ConfigPath = context.Folders.ConfigPath();
    context.CheckOptions.DateMasks = LoadDateMasks(context.Folders.DateMaskFileToLoad());

    int status = 0;
    {
        TfMain mainWindow(std::move(context));
        mainWindow.show();
        status = QApplication::exec();
        // Workers still blocked on hosts that never answer: the program ends here, at once.
        FinishProgram(status, mainWindow.Dispatcher().LiveWorkerThreads());
    }
    return status;
}
