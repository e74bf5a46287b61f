#pragma once

#include "engine/CheckDispatcher.h"
#include "settings/EngineSettings.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <string>

// The settings every pass benchmark runs with: the given Pause, 50 threads, one attempt.
inline TEngineSettings PassBenchSettings(int pauseMs)
{
    TEngineSettings settings;
    settings.Pause = pauseMs;
    settings.ThreadLimit = 50;
    settings.Attempts = 1;
    return settings;
}

// The options every pass benchmark's dispatcher runs with: its configuration file, the WHOIS port
// of its loopback hosts, and a folder of its own for the lock.
inline TCheckOptions PassBenchOptions(const std::string& configPath, int whoisPort, const std::string& folder)
{
    TCheckOptions options;
    options.ConfigPath = configPath;
    options.WhoisPort = whoisPort;
    options.LockFolder = folder;
    return options;
}

struct TPassTiming
{
    qint64 LastResultMs = 0;
    qint64 PassOverMs = 0; // when the status tick saw the pass over
    int Results = 0;
};

// Runs "Check domains" on the dispatcher's table under the event loop until the pass is over.
inline TPassTiming TimePass(TCheckDispatcher& dispatcher)
{
    TPassTiming timing;
    QElapsedTimer clock;
    const QMetaObject::Connection applied = QObject::connect(&dispatcher, &TCheckDispatcher::ResultApplied, [&] {
        ++timing.Results;
        timing.LastResultMs = clock.elapsed();
    });
    const QMetaObject::Connection finished = QObject::connect(&dispatcher, &TCheckDispatcher::PassFinished, [&] {
        timing.PassOverMs = clock.elapsed();
        QCoreApplication::quit();
    });
    clock.start();
    dispatcher.StartAll();
    QCoreApplication::exec();
    QObject::disconnect(applied);
    QObject::disconnect(finished);
    return timing;
}
