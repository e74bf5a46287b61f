#pragma once

#include "gui/Desktop.h"
#include "gui/ResultCommands.h"

#include <QObject>
#include <QUrl>

#include <functional>
#include <memory>
#include <string>

class QAbstractItemView;
class TMainActions;

// The main window's commands that open a dialog or hand results out: the settings dialog from the
// toolbar and the three Settings menu entries (each on its page, settings reloaded after every
// close), the server properties dialog for a table row, the About box, the HTML report, the two
// clipboard copies and the registration page. It knows the window only as the parent of its
// dialogs and by what it is handed here, so that the window alone knows of it.
class TDialogCommands : public QObject
{
    Q_OBJECT

public:
    // `configPath` stays the window's; `openUrl` and `programFolder` as the window's context has them.
    TDialogCommands(QWidget& window, QAbstractItemView& domainView, TMainActions& actions,
                    const std::string& configPath, const std::string& programFolder,
                    std::function<void(const QUrl&)> openUrl);
    ~TDialogCommands() override;

    // The desktop the dialogs talk to (message boxes, the browser, help pages); tests replace it.
    void SetDesktop(TDesktop* desktop);
    TDesktop& Desktop() const { return *Current; }

    // -1: the dialog's own default page.
    void OpenSettings(int page);
    // Shift+double-click / Shift+Enter on a row: its domain as the test domain, its Whois Server
    // (possibly empty) as the host whose strings are edited.
    void OpenServerProperties(int viewRow);
    // The same for the domain table's request (TzqListView::ServerPropertiesRequested).
    void OpenServerPropertiesFor(const QString& domain, const QString& whoisServer);
    void aAboutExecute();

    TResultCommands& Results() { return *ResultCmds; }

signals:
    // The settings dialog has closed, confirmed or cancelled: a deletion in the host table has
    // been written either way, so the settings are read again.
    void SettingsClosed();

private:
    QWidget& Window;
    QAbstractItemView& DomainView;
    const std::string& ConfigPath;
    const std::string ProgramFolder;
    std::unique_ptr<TDesktop> OwnDesktop;
    TDesktop* Current;
    std::unique_ptr<TResultCommands> ResultCmds;
};
