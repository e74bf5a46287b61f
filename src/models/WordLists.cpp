#include "models/WordLists.h"

#include "base/AsciiText.h"
#include "core/SplitWords.h"
#include "models/IdnaName.h"
#include "settings/ConfigKeys.h"
#include "settings/IniFile.h"

TWordLists::TWordLists(QObject* parent) : QObject(parent)
{
    for (int page = 0; page < PageCount; ++page) {
        auto* list = new TWordListModel(this);
        Lists[static_cast<std::size_t>(page)] = list;
        // Top-level domains are shown in U-labels and kept in A-labels: either form finds them.
        Filters[static_cast<std::size_t>(page)] = new TWordFilterProxy(*list, page == PageTld, this);
        connect(list, &TWordListModel::CheckChangedByUser, this, &TWordLists::Changed);
        auto counts = [this, page] { emit TicksChanged(page); };
        connect(list, &QAbstractItemModel::dataChanged, this, counts);
        connect(list, &QAbstractItemModel::rowsInserted, this, counts);
        connect(list, &QAbstractItemModel::rowsRemoved, this, counts);
        connect(list, &QAbstractItemModel::modelReset, this, counts);
    }
}

void TWordLists::SetFilter(int page, const QString& typed)
{
    if (Shown(page).SetFilterText(typed))
        emit TicksChanged(page);
}

QString TWordLists::TickLine(int page) const
{
    const TWordListModel& list = List(page);
    QString line = QStringLiteral("%1 of %2 ticked").arg(list.TickedCount()).arg(list.Count());
    if (Shown(page).Filtering())
        line += QStringLiteral(", %1 shown").arg(Shown(page).rowCount());
    return line;
}

void TWordLists::SetGroupChecked(TTldGroups::TGroup group, bool checked)
{
    TWordListModel& tlds = Tlds();
    // The page shows internationalised top-level domains in U-labels; the groups know A-labels.
    tlds.SetCheckedWhere(
        [&](int row) {
            const std::string_view text = TrimView(tlds.At(row).Text);
            if (!TIdnaName::NeedsIdna(text))
                return Groups.InGroup(text, group);
            const TIdnaName tld = TIdnaName::Of(text);
            return tld.Problem.empty() && Groups.InGroup(tld.Ace, group);
        },
        checked);
    emit Changed();
}

void TWordLists::SetShownChecked(int page, bool checked)
{
    const TWordFilterProxy& shown = Shown(page);
    if (!shown.Filtering()) {
        SetAllChecked(page, checked);
        return;
    }
    std::vector<bool> visible(static_cast<std::size_t>(List(page).Count()), false);
    for (int row = 0; row < shown.rowCount(); ++row)
        visible[static_cast<std::size_t>(shown.SourceRow(row))] = true;
    List(page).SetCheckedWhere([&](int row) { return visible[static_cast<std::size_t>(row)]; }, checked);
    emit Changed();
}

void TWordLists::SetUsePrefix(bool on)
{
    if (PrefixOn == on)
        return;
    PrefixOn = on;
    emit SwitchesChanged();
    emit Changed();
}

void TWordLists::SetUseSuffix(bool on)
{
    if (SuffixOn == on)
        return;
    SuffixOn = on;
    emit SwitchesChanged();
    emit Changed();
}

std::string TWordLists::AddWords(int page, const std::string& text)
{
    std::string refused = RefusedWord(text);
    if (refused.empty())
        List(page).AddWords(text);
    // The add button marks the project modified whether or not a word was added.
    emit Changed();
    return refused;
}

std::string TWordLists::RefusedWord(std::string_view text)
{
    // Blanks and control characters around a word are dropped by the generator (and between
    // words by the split), so only what stays inside a word counts.
    if (text.find(',') == std::string_view::npos)
        return TIdnaName::WordProblem(TrimView(text));
    for (const std::string& word : ::SplitWords(text, ','))
        if (std::string problem = TIdnaName::WordProblem(TrimView(word)); !problem.empty())
            return problem;
    return {};
}

TWordLists::TPopupState TWordLists::PopupState(int page, int count, int selectedRow)
{
    TPopupState state;
    const bool any = count > 0;
    state.SelectAllEnabled = any;
    state.DeleteEnabled = any && selectedRow >= 0 && selectedRow < count;
    state.MoveToEnabled = any;
    state.MoveToVisible = page != PageTld;
    for (int target = PagePrefix; target <= PageSuffix; ++target)
        state.MoveTargetVisible[static_cast<std::size_t>(target)] = target != page;
    return state;
}

void TWordLists::SetAllChecked(int page, bool checked)
{
    List(page).SetAllChecked(checked);
    emit Changed();
}

void TWordLists::Delete(int page, int row)
{
    if (row < 0 || row >= List(page).Count())
        return;
    List(page).Remove(row);
    emit Changed();
}

void TWordLists::DeleteAll(int page)
{
    List(page).Clear();
    emit Changed();
}

void TWordLists::MoveTo(int page, int row, int targetPage)
{
    if (page == PageTld || targetPage == PageTld || targetPage == page || targetPage < PagePrefix ||
        targetPage > PageSuffix || row < 0 || row >= List(page).Count())
        return;
    std::string text = List(page).At(row).Text;
    List(targetPage).Append(std::move(text), false);
    List(page).Remove(row);
    emit Changed();
}

void TWordLists::LoadDefaultTlds(const std::string& configPath)
{
    std::vector<TWordEntry> tlds;
    // The table keeps internationalised top-level domains in A-labels; the page shows them as a
    // person would type them, and names made with them are asked in A-labels again.
    for (std::string& key : TIniFile(configPath).ReadSection(std::string(ConfigKeys::TldSection))) {
        const TIdnaName tld = TIdnaName::Of(key);
        tlds.push_back({tld.International && tld.Problem.empty() ? tld.Unicode : std::move(key), false});
    }
    Tlds().SetAll(std::move(tlds));
}

void TWordLists::Clear()
{
    for (TWordListModel* list : Lists)
        list->Clear();
    PrefixOn = false;
    SuffixOn = false;
    emit SwitchesChanged();
}

TWordListData TWordLists::WordListData() const
{
    return {List(PagePrefix).All(), List(PageSuffix).All()};
}

void TWordLists::ApplyWordListData(TWordListData data)
{
    Prefixes().SetAll(std::move(data.Prefixes));
    Suffixes().SetAll(std::move(data.Suffixes));
}

void TWordLists::StoreInto(TProjectData& project) const
{
    project.UsePrefix = PrefixOn;
    project.UseSuffix = SuffixOn;
    project.Prefixes = List(PagePrefix).All();
    project.Keywords = List(PageKeywords).All();
    project.Suffixes = List(PageSuffix).All();
    project.Tlds = List(PageTld).All();
}

void TWordLists::LoadFrom(const TProjectData& project)
{
    PrefixOn = project.UsePrefix;
    SuffixOn = project.UseSuffix;
    Prefixes().SetAll(project.Prefixes);
    Keywords().SetAll(project.Keywords);
    Suffixes().SetAll(project.Suffixes);
    Tlds().SetAll(project.Tlds);
    emit SwitchesChanged();
}
