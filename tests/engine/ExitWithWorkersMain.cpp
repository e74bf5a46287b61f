// A stand-in for the program with its window: starts 100 checks against a host that never
// answers, and once all of them are blocked there (or RUNNING of them, for a host that takes only
// so many at a time), closes "the window" (the dispatcher and the table go away) and ends the way
// the programs do.
#include "engine/CheckDispatcher.h"
#include "engine/ProcessExit.h"
#include "models/DomainTableModel.h"
#include "support/TsanQtOptions.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 4 && argc != 5) {
        std::fputs("usage: engine_exit_helper PORT CONFIG LOCKFOLDER [RUNNING]\n", stderr);
        return 2;
    }
    const int running = argc == 5 ? std::atoi(argv[4]) : 100;
    QCoreApplication app(argc, argv);
    auto* model = new TDomainTableModel;
    TCheckOptions options;
    options.WhoisPort = std::atoi(argv[1]);
    options.ConfigPath = argv[2];
    options.LockFolder = argv[3];
    // Every worker blocked on the one host at once: no cap per host holds them back.
    options.ChecksPerLane = 1000;
    auto* dispatcher = new TCheckDispatcher(*model, options);
    TEngineSettings settings;
    settings.ThreadLimit = 100;
    settings.Pause = 1;
    settings.Attempts = 1;
    dispatcher->LoadSettings(settings);
    std::vector<std::string> names;
    for (int i = 0; i < 100; ++i)
        names.push_back("hang" + std::to_string(i) + ".com");
    model->AppendGenerated(names);
    dispatcher->StartAll();

    QElapsedTimer allRunning;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (dispatcher->RunningCount() < running || dispatcher->NextRow() < 100)
            return;
        if (!allRunning.isValid())
            allRunning.start();
        else if (allRunning.elapsed() > 300)
            app.quit();
    });
    poll.start(10);
    QTimer::singleShot(20000, &app, &QCoreApplication::quit);
    app.exec();

    const int live = dispatcher->LiveWorkerThreads();
    std::printf("running %d, live workers %d\n", dispatcher->RunningCount(), live);
    delete dispatcher;
    delete model;
    return FinishProgram(0, live);
}
