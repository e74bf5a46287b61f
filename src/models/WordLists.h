#pragma once

#include "models/WordFilterProxy.h"
#include "models/WordListModel.h"
#include "project/ProjectFile.h"
#include "settings/TldGroups.h"

#include <QObject>
#include <QString>

#include <array>
#include <string>
#include <string_view>

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
    // What a page shows: its list filtered by the text typed into its field.
    TWordFilterProxy& Shown(int page) { return *Filters.at(static_cast<std::size_t>(page)); }
    const TWordFilterProxy& Shown(int page) const { return *Filters.at(static_cast<std::size_t>(page)); }
    // The list's row of a row shown on the page, or -1.
    int SourceRow(int page, int shownRow) const { return Shown(page).SourceRow(shownRow); }
    // The text in the page's field changed: the list shows the entries holding it.
    void SetFilter(int page, const QString& typed);
    // The line under a page's list: "N of M ticked" (every entry counts, shown or not), with
    // ", K shown" while the filter hides some.
    QString TickLine(int page) const;

    // The groups the TLD page's context menu ticks (a missing file leaves them empty).
    void SetTldGroups(TTldGroups groups) { Groups = std::move(groups); }
    const TTldGroups& TldGroups() const { return Groups; }
    // Ticks or unticks every entry of the TLD list in the group, shown or not.
    void SetGroupChecked(TTldGroups::TGroup group, bool checked);
    // Ticks or unticks the entries the page shows now.
    void SetShownChecked(int page, bool checked);

    bool UsePrefix() const { return PrefixOn; }
    bool UseSuffix() const { return SuffixOn; }
    void SetUsePrefix(bool on);
    void SetUseSuffix(bool on);

    // The add button of a page. A text holding a word that no registry could take (see
    // TIdnaName::WordProblem) adds nothing, and the message naming that word is returned; else the
    // words are added and the result is empty.
    std::string AddWords(int page, const std::string& text);
    // The message for the first refused word of a typed text (one word, or words with commas).
    static std::string RefusedWord(std::string_view text);
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
    // A page's tick count, entry count or shown count may have changed (see TickLine).
    void TicksChanged(int page);
    // UsePrefix or UseSuffix changed (by a person, a new project or an opened one).
    void SwitchesChanged();

private:
    std::array<TWordListModel*, PageCount> Lists{};
    std::array<TWordFilterProxy*, PageCount> Filters{};
    TTldGroups Groups;
    bool PrefixOn = false;
    bool SuffixOn = false;
};
