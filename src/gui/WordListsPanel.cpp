#include "gui/WordListsPanel.h"

#include "core/SplitWords.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QSignalBlocker>
#include <QTabBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <limits>

namespace {

struct TPageText
{
    const char* Sheet;
    const char* Caption;
    const char* Field;
    const char* FieldName;
    const char* Button;
    const char* ButtonName;
    const char* List;
    const char* ListName;
    const char* TicksName;
};

const TPageText PageTexts[TWordLists::PageCount] = {
    {"TabSheet2", "Prefix", "ePref", "New prefix", "sbPref", "Add prefix", "clPref", "Prefixes", "Ticked prefixes"},
    {"TabSheet1", "Keywords", "eWord", "New keyword", "sbWord", "Add keyword", "clWord", "Keywords", "Ticked keywords"},
    {"TabSheet3", "Suffix", "eSuf", "New suffix", "sbSuf", "Add suffix", "clSuf", "Suffixes", "Ticked suffixes"},
    {"TabSheet4", "TLD", "eDom", "New TLD", "sbDom", "Add TLD", "clDom", "TLDs", "Ticked TLDs"},
};

struct TGroupText
{
    const char* Name;
    const char* Caption;
    TTldGroups::TGroup Group;
};

const TGroupText GroupTexts[] = {
    {"Common", "Common", TTldGroups::TGroup::Common},
    {"CountryCodes", "Country codes", TTldGroups::TGroup::CountryCode},
    {"Generic", "Generic", TTldGroups::TGroup::Generic},
    {"Sponsored", "Sponsored", TTldGroups::TGroup::Sponsored},
    {"Internationalised", "Internationalised", TTldGroups::TGroup::Idn},
};

const char* const AffixListHint = "Use check box to select the words in the list of additional domain names.";
const char* const TldListHint = "Select the desired domain type, e.g. \".com\", \".net\", \".org\", to be registered.";

std::string Bytes(const QString& text)
{
    return text.toUtf8().toStdString();
}

} // namespace

TWordListsPanel::TWordListsPanel(TWordLists& lists, QWidget* parent) : QTabWidget(parent), Lists(lists)
{
    setObjectName(QStringLiteral("pcwords"));
    setMinimumWidth(219);
    // All four tabs stay in sight in the narrow design width.
    tabBar()->setUsesScrollButtons(false);
    tabBar()->setStyleSheet(QStringLiteral("QTabBar::tab { padding: 4px 6px; }"));
    for (int page = 0; page < TWordLists::PageCount; ++page)
        BuildPage(page);
    BuildMenu();
    setCurrentIndex(TWordLists::PagePrefix);
    // Entering a page puts the caret into its entry field.
    connect(this, &QTabWidget::currentChanged, this, [this](int page) {
        if (page >= 0 && page < TWordLists::PageCount)
            Field(page)->setFocus();
    });
    connect(&Lists, &TWordLists::SwitchesChanged, this, &TWordListsPanel::SyncSwitches);
}

void TWordListsPanel::BuildPage(int page)
{
    const TPageText& text = PageTexts[page];
    auto* sheet = new QWidget(this);
    sheet->setObjectName(QLatin1String(text.Sheet));
    auto* layout = new QVBoxLayout(sheet);
    layout->setContentsMargins(4, 4, 4, 4);

    TPage& p = Pages[static_cast<std::size_t>(page)];
    auto* entryRow = new QHBoxLayout;
    p.Field = new QLineEdit(sheet);
    p.Field->setObjectName(QLatin1String(text.Field));
    p.Field->setAccessibleName(QLatin1String(text.FieldName));
    // A pasted list of many thousand words is split whole, not cut at the field's usual limit.
    p.Field->setMaxLength(std::numeric_limits<int>::max());
    p.Field->setPlaceholderText(QStringLiteral("Type to filter, Enter to add"));
    p.Field->setAccessibleDescription(QStringLiteral("Filters the list as you type; Enter adds the text"));
    p.Add = new QToolButton(sheet);
    p.Add->setObjectName(QLatin1String(text.Button));
    p.Add->setText(QStringLiteral("+"));
    p.Add->setToolTip(QLatin1String(text.ButtonName));
    p.Add->setAccessibleName(QLatin1String(text.ButtonName));
    p.Add->setEnabled(false);
    entryRow->addWidget(p.Field, 1);
    entryRow->addWidget(p.Add);
    layout->addLayout(entryRow);

    if (page == TWordLists::PagePrefix || page == TWordLists::PageSuffix) {
        auto* box = new QCheckBox(
            page == TWordLists::PagePrefix ? QStringLiteral("Use prefix") : QStringLiteral("Use suffix"), sheet);
        box->setObjectName(page == TWordLists::PagePrefix ? QStringLiteral("cbUsePref") : QStringLiteral("cbUseSuf"));
        if (page == TWordLists::PagePrefix) {
            cbUsePref = box;
            connect(box, &QCheckBox::toggled, &Lists, &TWordLists::SetUsePrefix);
        } else {
            cbUseSuf = box;
            connect(box, &QCheckBox::toggled, &Lists, &TWordLists::SetUseSuffix);
        }
        layout->addWidget(box);
    }

    p.List = new QListView(sheet);
    p.List->setObjectName(QLatin1String(text.List));
    p.List->setAccessibleName(QLatin1String(text.ListName));
    p.List->setModel(&Lists.Shown(page));
    p.List->setSelectionMode(QAbstractItemView::SingleSelection);
    p.List->setUniformItemSizes(true);
    p.List->setContextMenuPolicy(Qt::CustomContextMenu);
    if (page != TWordLists::PageKeywords)
        p.List->setToolTip(QLatin1String(page == TWordLists::PageTld ? TldListHint : AffixListHint));
    layout->addWidget(p.List, 1);
    p.Ticks = new QLabel(Lists.TickLine(page), sheet);
    p.Ticks->setObjectName(QStringLiteral("%1Ticks").arg(QLatin1String(text.List)));
    p.Ticks->setAccessibleName(QLatin1String(text.TicksName));
    layout->addWidget(p.Ticks);

    addTab(sheet, QLatin1String(text.Caption));
    connect(&Lists, &TWordLists::TicksChanged, p.Ticks, [this, page, label = p.Ticks](int changed) {
        if (changed == page)
            label->setText(Lists.TickLine(page));
    });
    // The field filters the list as the user types; Enter and the button still add its text.
    connect(p.Field, &QLineEdit::textChanged, this,
            [this, page](const QString& typed) { Lists.SetFilter(page, typed); });

    connect(p.Field, &QLineEdit::textChanged, p.Add,
            [button = p.Add](const QString& typed) { button->setEnabled(!IsBlankWord(Bytes(typed))); });
    connect(p.Add, &QToolButton::clicked, this, [this, page] { AddFromField(page); });
    // Enter acts on the active page's add button, enabled or not.
    connect(p.Field, &QLineEdit::returnPressed, this, [this] { AddFromField(ActivePage()); });
    connect(p.List, &QWidget::customContextMenuRequested, this, [this, list = p.List](const QPoint& at) {
        UpdateWordsMenu();
        pmWords->popup(list->viewport()->mapToGlobal(at));
    });
}

void TWordListsPanel::BuildMenu()
{
    pmWords = new QMenu(this);
    pmWords->setObjectName(QStringLiteral("pmWords"));
    auto add = [this](QMenu* menu, const char* name, const char* caption) {
        QAction* action = menu->addAction(QLatin1String(caption));
        action->setObjectName(QLatin1String(name));
        return action;
    };
    miSelectAll = add(pmWords, "miSelectAll", "Select All");
    miDeSelectAll = add(pmWords, "miDeSelectAll", "Deselect All");
    pmWords->addSeparator();
    miDelete = add(pmWords, "miDelete", "Delete");
    miDeleteAll = add(pmWords, "miDeleteAll", "Delete All");
    pmWords->addSeparator();
    miMoveto = pmWords->addMenu(QStringLiteral("Move to..."));
    miMoveto->setObjectName(QStringLiteral("miMoveto"));
    miMoveto->menuAction()->setObjectName(QStringLiteral("miMovetoAction"));
    MoveTargets = {add(miMoveto, "Prefix1", "Prefix"), add(miMoveto, "KeyWords1", "KeyWords"),
                   add(miMoveto, "Suffix1", "Suffix")};
    BuildGroupMenus();

    connect(miSelectAll, &QAction::triggered, this, [this] { Lists.SetAllChecked(ActivePage(), true); });
    connect(miDeSelectAll, &QAction::triggered, this, [this] { Lists.SetAllChecked(ActivePage(), false); });
    connect(miDelete, &QAction::triggered, this, [this] { Lists.Delete(ActivePage(), SelectedRow(ActivePage())); });
    connect(miDeleteAll, &QAction::triggered, this, [this] { Lists.DeleteAll(ActivePage()); });
    for (int target = 0; target < 3; ++target)
        connect(MoveTargets[static_cast<std::size_t>(target)], &QAction::triggered, this,
                [this, target] { Lists.MoveTo(ActivePage(), SelectedRow(ActivePage()), target); });
}

void TWordListsPanel::BuildGroupMenus()
{
    // On the TLD page: tick or untick a whole group, hidden by the filter or not, or what is shown.
    for (const bool tick : {true, false}) {
        QMenu* menu = pmWords->addMenu(tick ? QStringLiteral("Tick") : QStringLiteral("Untick"));
        const QString prefix = tick ? QStringLiteral("miTick") : QStringLiteral("miUntick");
        menu->setObjectName(prefix + QStringLiteral("Group"));
        menu->menuAction()->setObjectName(prefix + QStringLiteral("GroupAction"));
        for (const TGroupText& group : GroupTexts) {
            QAction* action = menu->addAction(QLatin1String(group.Caption));
            action->setObjectName(prefix + QLatin1String(group.Name));
            GroupActions.push_back(action);
            connect(action, &QAction::triggered, this,
                    [this, which = group.Group, tick] { Lists.SetGroupChecked(which, tick); });
        }
        menu->addSeparator();
        QAction* shown = menu->addAction(QStringLiteral("Everything shown"));
        shown->setObjectName(prefix + QStringLiteral("Shown"));
        connect(shown, &QAction::triggered, this, [this, tick] { Lists.SetShownChecked(TWordLists::PageTld, tick); });
        if (tick) {
            QAction* nothing = menu->addAction(QStringLiteral("Nothing"));
            nothing->setObjectName(QStringLiteral("miTickNothing"));
            connect(nothing, &QAction::triggered, this, [this] { Lists.SetAllChecked(TWordLists::PageTld, false); });
            miTickGroup = menu;
        } else {
            miUntickGroup = menu;
        }
    }
}

int TWordListsPanel::SelectedRow(int page) const
{
    const QModelIndexList selected = ListView(page)->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : Lists.SourceRow(page, selected.first().row());
}

void TWordListsPanel::AddFromField(int page)
{
    QLineEdit* field = Field(page);
    const std::string refused = Lists.AddWords(page, Bytes(field->text()));
    if (refused.empty()) {
        field->clear();
        return;
    }
    const QString message = QString::fromStdString(refused);
    if (ShowRefusal)
        ShowRefusal(message);
    else
        QMessageBox::warning(window(), QCoreApplication::applicationName(), message);
}

void TWordListsPanel::UpdateWordsMenu()
{
    const int page = ActivePage();
    const TWordLists::TPopupState state = Lists.PopupState(page, SelectedRow(page));
    miSelectAll->setEnabled(state.SelectAllEnabled);
    miDeSelectAll->setEnabled(state.SelectAllEnabled);
    miDeleteAll->setEnabled(state.SelectAllEnabled);
    miDelete->setEnabled(state.DeleteEnabled);
    miMoveto->menuAction()->setEnabled(state.MoveToEnabled);
    miMoveto->menuAction()->setVisible(state.MoveToVisible);
    for (std::size_t target = 0; target < MoveTargets.size(); ++target)
        MoveTargets[target]->setVisible(state.MoveTargetVisible[target]);
    const bool tldPage = page == TWordLists::PageTld;
    for (QMenu* menu : {miTickGroup, miUntickGroup}) {
        menu->menuAction()->setVisible(tldPage);
        menu->menuAction()->setEnabled(state.SelectAllEnabled);
    }
    for (QAction* action : GroupActions)
        action->setEnabled(!Lists.TldGroups().Empty());
}

void TWordListsPanel::SyncSwitches()
{
    const QSignalBlocker blockPrefix(cbUsePref);
    const QSignalBlocker blockSuffix(cbUseSuf);
    cbUsePref->setChecked(Lists.UsePrefix());
    cbUseSuf->setChecked(Lists.UseSuffix());
}
