// The desktop program as main() runs it, closed by its person while every worker is blocked on a
// WHOIS host that never answers: the window closes through its close query and the program ends at
// once, the way main() ends it.
#include "app/MainActions.h"
#include "app/MainWindow.h"
#include "engine/GenerateCommand.h"
#include "engine/ProcessExit.h"
#include "gui/QuarrowApplication.h"
#include "models/WordLists.h"
#include "project/XMLSaveLoad.h"
#include "support/FolderWindowContext.h"

#include <QAction>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fputs("usage: window_close_helper PORT FOLDER\n", stderr);
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    TQuarrowApplication app(argc, argv);
    const std::string folder = argv[2];
    TXMLSaveLoad store;
    TMainWindowContext context = FolderWindowContext(folder, store);
    context.CheckOptions.WhoisPort = std::atoi(argv[1]);
    // Every worker blocked on the one host at once: no cap per host holds them back.
    context.CheckOptions.ChecksPerLane = 1000;

    int status = 0;
    {
        TfMain window(std::move(context));
        window.show();
        // The person answers No to the unsaved-changes question that closing the generated project asks.
        window.SetCloseQuestion([] { return true; });
        for (int i = 0; i < 20; ++i)
            window.WordLists().Keywords().Append("hang" + std::to_string(i), true);
        window.WordLists().Tlds().SetAll({{"com", true}});
        window.GenerateNames();
        while (window.Generate().Busy())
            QApplication::processEvents();
        window.Actions().aStartAll->trigger();
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (window.Dispatcher().RunningCount() == 20)
                window.Actions().Exit1->trigger();
        });
        poll.start(10);
        QTimer::singleShot(20000, &app, &QApplication::quit);
        status = QApplication::exec();
        std::printf("closed: %s, live workers %d\n", window.isVisible() ? "no" : "yes",
                    window.Dispatcher().LiveWorkerThreads());
        FinishProgram(status, window.Dispatcher().LiveWorkerThreads());
    }
    return status;
}
