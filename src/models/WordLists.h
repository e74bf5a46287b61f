#pragma once

#include "models/WordListModel.h"
#include "project/ProjectFile.h"

#include <QObject>

#include <array>
#include <string>

// The four word lists of the main window with the two affix switches, and the commands of their
// context menu. The pages are numbered as the tabs: 0 prefixes, 1 keywords, 2 suffixes, 3 TLDs.
// Every change a person makes here emits Changed (the project is then modified); loading a word
// list file does not.
class TWordLists : public QObject
{
    Q_OBJECT

public:
    enum TPage
    {
        PagePrefix = 0,
        PageKeywords,
        PageSuffix,
        PageTld,
        PageCount
    };

    // Enabled and visible states of the context menu for one list and its selection.
    struct TPopupState
    {
        bool SelectAllEnabled = false; // also "Deselect All" and "Delete All"
        bool DeleteEnabled = false;
        bool MoveToEnabled = false;
        bool MoveToVisible = false;
        std::array<bool, 3> MoveTargetVisible{}; // Prefix, KeyWords, Suffix
    };

    explicit TWordLists(QObject* parent = nullptr);

    TWordListModel& List(int page) { return *Lists.at(static_cast<std::size_t>(page)); }
    const TWordListModel& List(int page) const { return *Lists.at(static_cast<std::size_t>(page)); }
    TWordListModel& Prefixes() { return List(PagePrefix); }
    TWordListModel& Keywords() { return List(PageKeywords); }
    TWordListModel& Suffixes() { return List(PageSuffix); }
    TWordListModel& Tlds() { return List(PageTld); }

    bool UsePrefix() const { return PrefixOn; }
    bool UseSuffix() const { return SuffixOn; }
    void SetUsePrefix(bool on);
    void SetUseSuffix(bool on);

    // The add button of a page; the field is emptied by the caller in every case.
    void AddWords(int page, const std::string& text);
    static TPopupState PopupState(int page, int count, int selectedRow);
    TPopupState PopupState(int page, int selectedRow) const
    {
        return PopupState(page, List(page).Count(), selectedRow);
    }
    void SetAllChecked(int page, bool checked);
    void Delete(int page, int row);
    void DeleteAll(int page);
    // Moves the entry to the end of another affix or keyword list, unticked. Nothing happens without
    // a selected entry, from or into the TLD list, or onto its own list.
    void MoveTo(int page, int row, int targetPage);

    // Empties the TLD list and fills it with the key names of section TLD of the configuration
    // file, in file order, unticked.
    void LoadDefaultTlds(const std::string& configPath);
    // A new project: all four lists emptied, both switches off.
    void Clear();

    // Prefix and suffix lists, as word-list files hold them.
    TWordListData WordListData() const;
    void ApplyWordListData(TWordListData data);
    // The lists and switches of a project (rows and answers are the table's).
    void StoreInto(TProjectData& project) const;
    void LoadFrom(const TProjectData& project);

signals:
    // A person changed a list or a switch: the project is modified.
    void Changed();
    // UsePrefix or UseSuffix changed (by a person, a new project or an opened one).
    void SwitchesChanged();

private:
    std::array<TWordListModel*, PageCount> Lists{};
    bool PrefixOn = false;
    bool SuffixOn = false;
};
