#include "app/MainActions.h"

#include "app/Icons.h"

#include <QAction>
#include <QActionGroup>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QWidget>

TMainActions::TMainActions(QWidget* window) : QObject(window)
{
    aOpenPrj = Command("aOpenPrj", "Open Project...", "Open project...", "open");
    aSavePrj = Command("aSavePrj", "Save project...", "Save project...", "save");
    aSavePrjAs = Command("aSavePrjAs", "Save project as...", "Save Project As...", "save");
    aLoadWords = Command("aLoadWords", "Load Words...", "Load Words...");
    aSaveWords = Command("aSaveWords", "Save Words...", "Save Words...");
    aSaveWas = Command("aSaveWas", "Save Words as...", "Save Words as...");
    aGenerate = Command("aGenerate", "Generate domain names", "Generate domain names", "generate");
    aStartAll = Command("aStartAll", "Check domains", "Check domains", "check");
    aCheckErrors = Command("aCheckErrors", "Check errors again", "Check the rows with RESULT ERROR again", "recheck");
    aCheckErrors->setEnabled(false);
    aCheck = Command("aCheck", "Check selected domain", "Check selected domain");
    aStop = Command("aStop", "Stop", "Stop", "stop");
    aStop->setEnabled(false);
    aRegisterDomain = Command("aRegisterDomain", "Register selected domain...", "Register selected domain...");
    aSelectAllDomains = Command("aSelectAllDomains", "Select all domains", "Select all domains");
    aDeselectAllDomains = Command("aDeselectAllDomains", "Deselect all domains", "Deselect all domains");
    ACopyNameToClipboard =
        Command("ACopyNameToClipboard", "Copy selected domain to clipboard", "Copy selected domain to clipboard");
    aCopyAvailabilityNamesToClipboard =
        Command("aCopyAvailabilityNamesToClipboard", "Copy availability domains to clipboard",
                "Copy availability domains to clipboard");
    aSaveResultAsHTML = Command("aSaveResultAsHTML", "Save result as HTML", "Save result as HTML");
    aExportCsv = Command("aExportCsv", "Export as CSV...", "Export the shown rows as CSV...");
    aExportJson = Command("aExportJson", "Export as JSON...", "Export the shown rows as JSON...");
    ShowGroup = new QActionGroup(this);
    ShowGroup->setExclusive(true);
    static const char* const showNames[DomainFilterCount] = {"aShowAll", "aShowAvailable", "aShowRegistered",
                                                             "aShowErrors", "aShowUnchecked"};
    for (int i = 0; i < DomainFilterCount; ++i) {
        const char* caption = FilterCaption(static_cast<TDomainFilter>(i));
        QAction* show = Command(showNames[i], caption, caption);
        show->setCheckable(true);
        ShowGroup->addAction(show);
        aShow[static_cast<std::size_t>(i)] = show;
    }
    aShow[0]->setChecked(true);
    aSett = Command("aSett", "Settings", "Open settings dialog...", "settings");
    aAbout = Command("aAbout", "About...", "About Quarrow");

    New1 = Command("New1", "New project", "New project");
    Print1 = Command("Print1", "Print...", "Print...");
    Print1->setVisible(false); // the print preview is not offered
    Exit1 = Command("Exit1", "Exit", "Exit");
    Whoisservers1 = Command("Whoisservers1", "Whois servers", "Whois servers");
    Connections1 = Command("Connections1", "Connections", "Connections");
    Preferences1 = Command("Preferences1", "Preferences", "Preferences");
    Help2 = Command("Help2", "Help", "Help");
    tbNew = Command("tbNew", "New", "New project", "new");
    connect(tbNew, &QAction::triggered, New1, &QAction::trigger);

    BuildDomainsPopup(window);
}

QAction* TMainActions::Command(const char* name, const char* caption, const char* hint, const char* icon)
{
    auto* action = new QAction(QLatin1String(caption), this);
    action->setObjectName(QLatin1String(name));
    action->setToolTip(QLatin1String(hint));
    if (icon)
        action->setIcon(ToolbarIcon(QLatin1String(icon)));
    return action;
}

void TMainActions::BuildMenuBar(QMenuBar* bar)
{
    auto menu = [bar](const char* name, const char* caption) {
        QMenu* m = bar->addMenu(QLatin1String(caption));
        m->setObjectName(QLatin1String(name));
        m->setToolTipsVisible(true);
        return m;
    };
    QMenu* file = menu("File1", "File");
    file->addActions({New1, aOpenPrj, aSavePrj, aSavePrjAs});
    file->addSeparator();
    file->addActions({aLoadWords, aSaveWords, aSaveWas});
    file->addSeparator();
    file->addActions({aExportCsv, aExportJson});
    file->addSeparator();
    file->addAction(Print1);
    file->addSeparator();
    file->addAction(Exit1);

    QMenu* domain = menu("Domain1", "Domain");
    domain->addAction(aRegisterDomain);
    domain->addSeparator();
    domain->addActions({aCheck, aStartAll, aCheckErrors});
    domain->addSeparator();
    domain->addActions({aSelectAllDomains, aDeselectAllDomains});
    domain->addSeparator();
    domain->addActions({ACopyNameToClipboard, aCopyAvailabilityNamesToClipboard});
    domain->addSeparator();
    domain->addAction(aSaveResultAsHTML);

    QMenu* view = menu("View1", "View");
    for (QAction* show : aShow)
        view->addAction(show);

    QMenu* settings = menu("Settings1", "Settings");
    settings->addActions({Whoisservers1, Connections1, Preferences1});

    QMenu* help = menu("Help1", "Help");
    help->addAction(Help2);
    help->addSeparator();
    help->addAction(aAbout);
}

void TMainActions::BuildToolBar(QToolBar* toolBar)
{
    toolBar->setIconSize(QSize(48, 48));
    toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    toolBar->addActions({tbNew, aOpenPrj, aSavePrj});
    toolBar->addSeparator();
    toolBar->addActions({aGenerate, aStartAll, aCheckErrors, aStop});
    toolBar->addSeparator();
    toolBar->addAction(aSett);
    // Icon-only buttons are named for screen readers by their hint.
    for (QAction* action : toolBar->actions())
        if (QWidget* button = toolBar->widgetForAction(action)) {
            button->setAccessibleName(action->toolTip());
            button->setFixedSize(55, 54);
        }
}

void TMainActions::BuildDomainsPopup(QWidget* window)
{
    pmDomains = new QMenu(window);
    pmDomains->setObjectName(QStringLiteral("pmDomains"));
    auto entry = [this](QAction* command, const char* name) {
        QAction* item = pmDomains->addAction(command->text());
        item->setObjectName(QLatin1String(name));
        connect(item, &QAction::triggered, command, [command] {
            if (command->isEnabled())
                command->trigger();
        });
        PopupEntries.push_back({command, item});
    };
    entry(aRegisterDomain, "miRegisterDomain");
    pmDomains->addSeparator();
    entry(aCheck, "miCheck");
    entry(aStartAll, "miStartAll");
    pmDomains->addSeparator();
    entry(aSelectAllDomains, "miSelectAllDomains");
    entry(aDeselectAllDomains, "miDeselectAllDomains");
    pmDomains->addSeparator();
    entry(ACopyNameToClipboard, "miCopyNameToClipboard");
    entry(aCopyAvailabilityNamesToClipboard, "miCopyAvailabilityNamesToClipboard");
    pmDomains->addSeparator();
    entry(aSaveResultAsHTML, "miSaveResultAsHTML");
}

QAction* TMainActions::PopupEntry(const QAction* command) const
{
    for (const TPopupEntry& entry : PopupEntries)
        if (entry.Command == command)
            return entry.Entry;
    return nullptr;
}

void TMainActions::UpdateDomainsPopup(bool rows, bool selection)
{
    for (const TPopupEntry& entry : PopupEntries) {
        const bool needsSelection =
            entry.Command == aRegisterDomain || entry.Command == aCheck || entry.Command == ACopyNameToClipboard;
        entry.Entry->setEnabled(rows && (!needsSelection || selection));
    }
}
