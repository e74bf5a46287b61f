#pragma once

#include "models/WordLists.h"

#include <QTabWidget>

#include <array>
#include <functional>
#include <vector>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QToolButton;

// The word pages of the main window (`pcwords`): per page an entry field, its add button and the
// check list, the "Use prefix"/"Use suffix" boxes, and the context menu `pmWords` shared by the
// four lists. It shows and forwards; the lists and their commands are TWordLists'.
class TWordListsPanel : public QTabWidget
{
    Q_OBJECT

public:
    explicit TWordListsPanel(TWordLists& lists, QWidget* parent = nullptr);

    QLineEdit* Field(int page) const { return Pages.at(static_cast<std::size_t>(page)).Field; }
    QToolButton* AddButton(int page) const { return Pages.at(static_cast<std::size_t>(page)).Add; }
    QListView* ListView(int page) const { return Pages.at(static_cast<std::size_t>(page)).List; }
    // "N of M ticked" under a page's list.
    QLabel* TickLabel(int page) const { return Pages.at(static_cast<std::size_t>(page)).Ticks; }
    QCheckBox* UsePrefixBox() const { return cbUsePref; }
    QCheckBox* UseSuffixBox() const { return cbUseSuf; }
    QMenu* WordsMenu() const { return pmWords; }

    int ActivePage() const { return currentIndex(); }
    // The list's row of the entry selected on a page (whatever the filter shows), or -1.
    int SelectedRow(int page) const;

    // The add button of a page: adds the field's words and empties the field. A refused word leaves
    // the field as it is, for mending, and its message is shown.
    void AddFromField(int page);
    // How a refused word is told; by default a warning box over the window.
    void SetRefusalMessage(std::function<void(const QString& message)> show) { ShowRefusal = std::move(show); }
    // Sets the context menu's enabled and visible states for the active page (pmWordsPopup).
    void UpdateWordsMenu();

private:
    struct TPage
    {
        QLineEdit* Field = nullptr;
        QToolButton* Add = nullptr;
        QListView* List = nullptr;
        QLabel* Ticks = nullptr;
    };

    void BuildPage(int page);
    void BuildMenu();
    void BuildGroupMenus();
    void SyncSwitches();

    TWordLists& Lists;
    std::function<void(const QString& message)> ShowRefusal;
    std::array<TPage, TWordLists::PageCount> Pages{};
    QCheckBox* cbUsePref = nullptr;
    QCheckBox* cbUseSuf = nullptr;
    QMenu* pmWords = nullptr;
    QAction* miSelectAll = nullptr;
    QAction* miDeSelectAll = nullptr;
    QAction* miDelete = nullptr;
    QAction* miDeleteAll = nullptr;
    QMenu* miMoveto = nullptr;
    std::array<QAction*, 3> MoveTargets{}; // Prefix1, KeyWords1, Suffix1
    QMenu* miTickGroup = nullptr;          // TLD page only
    QMenu* miUntickGroup = nullptr;
    std::vector<QAction*> GroupActions; // the named groups of both menus, off without a groups file
};
