#pragma once

#include "app/MainWindow.h"
#include "project/XMLSaveLoad.h"
#include "support/TempDir.h"

#include <QUrl>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// A main window over a temporary data folder, program folder and projects folder, with help pages
// that open nowhere (their addresses are recorded) and the event loop run on demand.
class TWindowRig
{
public:
    TWindowRig();
    ~TWindowRig();

    TTempDir Dir;
    TXMLSaveLoad Store;
    std::vector<QUrl> Opened;
    std::unique_ptr<TfMain> Window;

    std::string ConfigPath() const { return Dir.File("data/mvwhois.ini"); }
    void WriteConfig(const std::string& text) const;
    void WriteHelpPage(const std::string& page) const;
    // Creates the window (a WHOIS port for checks against loopback hosts) and shows it.
    TfMain& Open(int whoisPort = 43);
    void Close();
    bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 10000) const;
    // Types the words into a page's field and presses Enter.
    void Type(int page, const QString& text) const;
};
