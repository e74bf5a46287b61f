#pragma once

#include "models/DomainFilter.h"

#include <QObject>

#include <array>
#include <vector>

class QAction;
class QActionGroup;
class QMenu;
class QMenuBar;
class QToolBar;
class QWidget;

// The commands of the main window with their captions, hints and icons, and the menus, toolbar
// and domain-table popup built from them. Object names are the commands' own names, so tests and
// scripts find them. Only the window's own handlers are connected by the window; every other
// command is connected by the part of the program that carries it out.
class TMainActions : public QObject
{
    Q_OBJECT

public:
    explicit TMainActions(QWidget* window);

    // Commands.
    QAction* aOpenPrj = nullptr;
    QAction* aSavePrj = nullptr;
    QAction* aSavePrjAs = nullptr;
    QAction* aLoadWords = nullptr;
    QAction* aSaveWords = nullptr;
    QAction* aSaveWas = nullptr;
    QAction* aGenerate = nullptr;
    QAction* aStartAll = nullptr;
    QAction* aCheckErrors = nullptr;
    QAction* aCheck = nullptr;
    QAction* aStop = nullptr;
    QAction* aRegisterDomain = nullptr;
    QAction* aSelectAllDomains = nullptr;
    QAction* aDeselectAllDomains = nullptr;
    QAction* ACopyNameToClipboard = nullptr;
    QAction* aCopyAvailabilityNamesToClipboard = nullptr;
    QAction* aSaveResultAsHTML = nullptr;
    QAction* aExportCsv = nullptr;
    QAction* aExportJson = nullptr;
    QAction* aSett = nullptr;
    QAction* aAbout = nullptr;

    // Menu entries without a command.
    QAction* New1 = nullptr; // "New project"
    QAction* Print1 = nullptr;
    QAction* Exit1 = nullptr;
    QAction* Whoisservers1 = nullptr;
    QAction* Connections1 = nullptr;
    QAction* Preferences1 = nullptr;
    QAction* Help2 = nullptr;
    // The toolbar's "New" button; it runs New1.
    QAction* tbNew = nullptr;
    // The View menu's filters, one checked at a time, indexed by TDomainFilter.
    std::array<QAction*, DomainFilterCount> aShow{};
    QActionGroup* ShowGroup = nullptr;

    // The popup's own entries: they run the commands above, but their enabled state is the popup's
    // (UpdateDomainsPopup), not the commands'.
    QMenu* pmDomains = nullptr;

    void BuildMenuBar(QMenuBar* bar);
    void BuildToolBar(QToolBar* toolBar);
    // pmDomainsPopup: `rows` when the table has a row, `selection` when one is selected.
    void UpdateDomainsPopup(bool rows, bool selection);
    QAction* PopupEntry(const QAction* command) const;

private:
    QAction* Command(const char* name, const char* caption, const char* hint, const char* icon = nullptr);
    void BuildDomainsPopup(QWidget* window);

    struct TPopupEntry
    {
        QAction* Command = nullptr;
        QAction* Entry = nullptr;
    };
    std::vector<TPopupEntry> PopupEntries;
};
