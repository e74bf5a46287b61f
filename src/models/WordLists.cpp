#include "models/WordLists.h"

#include "settings/ConfigKeys.h"
#include "settings/IniFile.h"

TWordLists::TWordLists(QObject* parent) : QObject(parent)
{
    for (TWordListModel*& list : Lists) {
        list = new TWordListModel(this);
        connect(list, &TWordListModel::CheckChangedByUser, this, &TWordLists::Changed);
    }
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

void TWordLists::AddWords(int page, const std::string& text)
{
    List(page).AddWords(text);
    // The add button marks the project modified whether or not a word was added.
    emit Changed();
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
    for (std::string& key : TIniFile(configPath).ReadSection(std::string(ConfigKeys::TldSection)))
        tlds.push_back({std::move(key), false});
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
