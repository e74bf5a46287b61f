#include "WindowRig.h"

#include "app/MainWindow.h"
#include "gui/WordListsPanel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>

#include <filesystem>
#include <stdexcept>

TWindowRig::TWindowRig()
{
    std::filesystem::create_directories(Dir.File("data"));
    std::filesystem::create_directories(Dir.File("program/help"));
    std::filesystem::create_directories(Dir.File("projects"));
}

TWindowRig::~TWindowRig()
{
    Close();
}

void TWindowRig::WriteConfig(const std::string& text) const
{
    Dir.Write("data/mvwhois.ini", text);
}

void TWindowRig::WriteHelpPage(const std::string& page) const
{
    Dir.Write("program/help/" + page, "<html><body>help</body></html>\n");
}

TfMain& TWindowRig::Open(int whoisPort)
{
    TMainWindowContext context;
    context.Folders.ProgramFolder = Dir.File("program/");
    context.Folders.DataFolder = Dir.File("data/");
    context.XmlStore = &Store;
    context.CheckOptions.ConfigPath = ConfigPath();
    context.CheckOptions.LockFolder = Dir.Path();
    context.CheckOptions.WhoisPort = whoisPort;
    context.CheckOptions.StatusIntervalMs = 20;
    context.OpenUrl = [this](const QUrl& url) { Opened.push_back(url); };
    context.ProjectsFolder = [this] { return Dir.File("projects/"); };
    Window = std::make_unique<TfMain>(std::move(context));
    Window->show();
    if (!QTest::qWaitForWindowExposed(Window.get()))
        throw std::runtime_error("the window was never shown");
    return *Window;
}

void TWindowRig::Close()
{
    if (!Window)
        return;
    // Workers of a test's pass report to the dispatcher until it goes away; let them end first.
    WaitUntil([this] { return Window->Dispatcher().LiveWorkerThreads() == 0; });
    Window.reset();
}

bool TWindowRig::WaitUntil(const std::function<bool()>& done, int timeoutMs) const
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

void TWindowRig::Type(int page, const QString& text) const
{
    Window->WordPages().setCurrentIndex(page);
    QLineEdit* field = Window->WordPages().Field(page);
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Return);
}
