#include "CheckRig.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

TCheckRig::TCheckRig() : ConfigPath(Dir.File("mvwhois.ini")) {}

TCheckRig::~TCheckRig()
{
    // Never leave a worker behind for the next test.
    Drain();
}

void TCheckRig::WriteConfig(const std::string& text)
{
    Dir.Write("mvwhois.ini", text);
}

void TCheckRig::Start(int port, int threads, int attempts, int pause, TCheckOptions options)
{
    options.ConfigPath = ConfigPath;
    options.WhoisPort = port;
    if (options.DateMasks.empty())
        options.DateMasks = {"yyyy-mm-dd", "dd-zzz-yyyy", "dd.mm.yyyy"};
    if (options.LockFolder.empty())
        options.LockFolder = Dir.Path();
    if (options.StatusIntervalMs == 125)
        options.StatusIntervalMs = 20;
    Dispatcher = std::make_unique<TCheckDispatcher>(Model, options);
    TEngineSettings settings;
    settings.ThreadLimit = threads;
    settings.Attempts = attempts;
    settings.Pause = pause;
    Dispatcher->LoadSettings(settings);
    QObject::connect(Dispatcher.get(), &TCheckDispatcher::Beep, [this] { ++Beeps; });
    QObject::connect(Dispatcher.get(), &TCheckDispatcher::ResultApplied, [this] { ++Results; });
    QObject::connect(Dispatcher.get(), &TCheckDispatcher::PassFinished, [this] { Finished = true; });
    QObject::connect(Dispatcher.get(), &TCheckDispatcher::StatusChanged,
                     [this] { MaxRunning = std::max(MaxRunning, Dispatcher->RunningCount()); });
}

void TCheckRig::Generate(const std::vector<std::string>& names)
{
    Model.AppendGenerated(names);
}

bool TCheckRig::RunPass(int timeoutMs)
{
    Finished = false;
    Dispatcher->StartAll();
    return WaitUntil([this] { return Finished; }, timeoutMs);
}

bool TCheckRig::WaitUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

bool TCheckRig::Drain(int timeoutMs)
{
    if (!Dispatcher)
        return true;
    const bool done = WaitUntil([this] { return Dispatcher->LiveWorkerThreads() == 0; }, timeoutMs);
    // A worker posts its end notice before it counts itself out: take the notices in.
    QCoreApplication::processEvents();
    return done;
}

int TCheckRig::Row(const std::string& caption) const
{
    for (int row = 0; row < Model.RowCount(); ++row)
        if (Model.Caption(row) == caption)
            return row;
    throw std::runtime_error("no row " + caption);
}

std::string TCheckRig::Answer(const std::string& caption) const
{
    const int index = Model.AnswerIndexOf(Row(caption));
    return index < 0 ? std::string() : Model.AnswerLog()[static_cast<std::size_t>(index)];
}

TServerPair::TServerPair()
{
    for (int attempt = 0; attempt < 20 && !Second; ++attempt) {
        First = std::make_unique<TFakeWhoisServer>("127.0.0.1", 0);
        try {
            Second = std::make_unique<TFakeWhoisServer>("127.0.0.2", First->Port());
        } catch (const std::exception&) {
            First.reset();
        }
    }
    if (!Second)
        throw std::runtime_error("no shared port for two fake hosts");
}
