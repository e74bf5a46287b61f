#include "app/MainWindow.h"
#include "app/ProgramOptions.h"
#include "core/ExpiryDate.h"
#include "engine/Folders.h"
#include "engine/ProcessExit.h"
#include "gui/QuarrowApplication.h"
#include "models/WordLists.h"
#include "project/XMLSaveLoad.h"
#include "settings/ShippedData.h"
#include "settings/TldGroups.h"

#include <QStatusBar>
#include <QString>
#include <QStringList>

int main(int argc, char* argv[])
{
    if (const std::optional<int> answered = AnswerInfoOptions({argv + 1, argv + argc}, QUARROW_VERSION, stdout))
        return *answered;
    TQuarrowApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quarrow\u2122"));
    // The data and projects folders exist from the first start on, so that the first write of
    // the configuration file and the first open dialog find them.
    TMainWindowContext context;
    context.Folders = PrepareFolders();
    const TShippedData shipped(context.Folders.ProgramFolder);
    const TDataFolderStatus data = shipped.InstallDefaults(context.Folders.DataFolder);
    // Groups only help to tick: without them the program starts as ever, and says so once.
    std::string groupsProblem;
    TTldGroups groups = TTldGroups::Load(shipped, groupsProblem);
    TXMLSaveLoad xmlStore;
    context.XmlStore = &xmlStore;
    context.CheckOptions.ConfigPath = context.Folders.ConfigPath();
    context.CheckOptions.DateMasks = LoadDateMasks(context.Folders.DateMaskFileToLoad());

    int status = 0;
    {
        TfMain mainWindow(std::move(context));
        mainWindow.WordLists().SetTldGroups(std::move(groups));
        mainWindow.show();
        // A file named on the command line (double-clicked in a file manager) opens after the
        // first show has started its untitled project.
        QStringList files = app.arguments().mid(1);
        files.removeAll(QStringLiteral("--"));
        if (!files.isEmpty())
            mainWindow.OpenAtStart(files.constLast());
        else
            mainWindow.OfferRecovery();
        // A passing message: while it shows, the status bar hides its panels.
        std::string line = data.Message.empty() ? data.Notice : data.Message;
        if (line.empty())
            line = mainWindow.Dispatcher().PaceNotice();
        if (!groupsProblem.empty())
            line = line.empty() ? groupsProblem : line + " " + groupsProblem;
        if (!line.empty())
            mainWindow.statusBar()->showMessage(QString::fromStdString(line), 15000);
        status = QApplication::exec();
        // Workers still blocked on hosts that never answer: the program ends here, at once.
        FinishProgram(status, mainWindow.Dispatcher().ThreadsLeftAtExit());
    }
    return status;
}
