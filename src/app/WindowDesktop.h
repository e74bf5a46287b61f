#pragma once

#include "gui/Desktop.h"
#include "gui/HelpOpener.h"

#include <functional>
#include <string>

// The window's desktop: Qt's message boxes and save dialog; addresses go where the window sends
// them (tests catch them there, an empty opener means QDesktopServices), help pages are found as
// the window finds its own, beside the program.
class TWindowDesktop : public TDesktop
{
public:
    TWindowDesktop(std::function<void(const QUrl&)> openUrl, const std::string& programFolder);

    bool Ask(QWidget* parent, const QString& question) override;
    void Tell(QWidget* parent, const QString& message) override;
    QString SaveFileName(QWidget* parent, const QString& filter, const QString& defaultSuffix) override;
    void Open(const QUrl& address) override;
    void OpenHelp(const QString& page) override;

private:
    std::function<void(const QUrl&)> OpenUrl;
    THelpOpener Help;
};
