#pragma once

#include "core/CustomDomainNameGenerator.h"
#include "engine/CheckDispatcher.h"
#include "engine/CheckOptions.h"
#include "engine/Folders.h"
#include "models/DomainTableModel.h"

#include <QMainWindow>

#include <functional>
#include <memory>
#include <string>

class QComboBox;
class QLabel;
class QListWidget;
class QMenu;
class QProgressBar;
class QSplitter;
class QTableView;
class TAnswersPanel;
class TCheckCommands;
class TDialogCommands;
class TEvidenceRereader;
class TFilterCommands;
class TGenerateCommand;
class TMainProjectWorkspace;
class TProjectController;
class TResultJournal;
class TProjectDialogs;
class THelpOpener;
class TMainActions;
class TWordFileCommands;
class TWordLists;
class TWordListsPanel;
class TXMLSaveLoad;
class TzqListView;
class TzqStatusPanel;

// What the program hands its main window: the folders, the program's one XML store, the check
// engine's options (configuration path, date masks; tests add a clock and a lock folder) and how
// help pages reach the browser.
struct TMainWindowContext
{
    TFolders Folders;
    TXMLSaveLoad* XmlStore = nullptr;
    TCheckOptions CheckOptions;
    // Empty: QDesktopServices.
    std::function<void(const QUrl& url)> OpenUrl;
    // Empty: ProjectsFolder().
    std::function<std::string()> ProjectsFolder;
};

// The program's only main window: the word pages on the left, the domain table on the right, the
// answers panel below them, the toolbar, menus and status bar. It is a composition: the word lists
// and their commands, the check commands, the generate command, the word-list file commands and
// the status panel each live in their own class; the window wires them to its controls.
class TfMain : public QMainWindow
{
    Q_OBJECT

public:
    explicit TfMain(TMainWindowContext context, QWidget* parent = nullptr);
    ~TfMain() override;

    const TMainWindowContext& Context() const { return Env; }
    const std::string& ConfigPath() const { return Env.CheckOptions.ConfigPath; }
    TMainActions& Actions() { return *Commands; }
    TDomainTableModel& Model() { return *DomainModel; }
    TCheckDispatcher& Dispatcher() { return *CheckDispatcher; }
    TWordLists& WordLists() { return *Lists; }
    TWordListsPanel& WordPages() { return *pcwords; }
    TGenerateCommand& Generate() { return *GenerateCmd; }
    TWordFileCommands& WordFiles() { return *WordFileCmds; }
    TDialogCommands& Dialogs() { return *DialogCmds; }
    TCustomDomainNameGenerator& Generator() { return NameGenerator; }
    QTableView* DomainView() const;
    // The domain table itself: sort settings, the sort proxy, and the Shift+double-click/Shift+Enter
    // request for the server properties dialog (ServerPropertiesRequested).
    TzqListView* DomainList() const { return lvDomains; }
    // New, Open, Save, Save as and the unsaved-changes question.
    TProjectController& ProjectCommands() { return *ProjectCmds; }
    // The answers panel's list of the selected row's answers entry, and the line above it on why
    // the row holds its verdict.
    QListWidget* AnswersPanel() const;
    QLabel* WhyLine() const;
    QProgressBar* ProgressBar() const { return pb; }
    TzqStatusPanel* StatusPanel() const { return sp; }
    // The View menu's filter and the box above the table.
    TFilterCommands& Filter() { return *FilterCmds; }
    // The row the commands for "the selected domain" act on, or NoRowId.
    TRowId SelectedRowId() const;

    bool Modified() const;
    void SetModified(bool modified);
    const QString& ProjectName() const;

    // The settings copies, re-read from the configuration file. Call after every close of the
    // settings dialog, whichever page it showed and whichever button closed it.
    void LoadSettings();
    // The hook for the settings dialog's every close.
    void SettingsDialogClosed() { LoadSettings(); }
    bool UseHyphens() const { return CheckDispatcher->Settings().UseHyphens; }

    // "New project": after the unsaved-changes question, an untitled project with an empty table,
    // answers and word lists and the TLD list from the configuration file, not modified.
    void NewProject();
    // A file named on the command line: a word list (*.ctg.xml) is loaded, anything else is opened
    // as a project; a file that cannot be read says so as the menu commands do.
    void OpenAtStart(const QString& path);
    // At a start without a file: offers back an unsaved project whose check a crash ended.
    bool OfferRecovery();
    // The copy of an unsaved project being checked, in the data folder.
    static constexpr const char* RecoveryFileName = "recovery.prj.xml";
    // Runs "Generate domain names".
    void GenerateNames();
    // pmDomainsPopup.
    void UpdateDomainsPopup();
    void SaveLayout();
    void LoadLayout();
    void OpenHelp();

    // Asked after the layout has been saved when the window is to close; false keeps it open (the
    // unsaved-changes question). Default: always close.
    void SetCloseQuestion(std::function<bool()> question) { CloseQuestion = std::move(question); }

    // No menu of the window's bars: the toolbar is the only place of some commands and must not
    // be hidden for good.
    QMenu* createPopupMenu() override { return nullptr; }

signals:
    void ModifiedChanged(bool modified);
    // The first-show sequence has run (tour, new project, layout).
    void FirstShown();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void CreateStatusBar();
    // The one place that makes the domain table's view.
    TzqListView* CreateDomainView(QWidget* parent);
    // The row a click left selected shows its own answers; no row, no answers.
    void lvDomainsClick();
    // The row's answers and the line on its verdict; no row (-1), none.
    void ShowAnswers(int row);
    // A result, or evidence read afresh, for the row the answers panel shows shows it anew.
    void DomainDataChanged(const QModelIndex& first, const QModelIndex& last, const QList<int>& roles);
    void ConnectCommands();
    void FormShow();
    void SetGenerating(bool generating);

    TMainWindowContext Env;
    TCustomDomainNameGenerator NameGenerator;
    TDomainTableModel* DomainModel = nullptr;
    TCheckDispatcher* CheckDispatcher = nullptr;
    TMainActions* Commands = nullptr;
    TWordLists* Lists = nullptr;
    TGenerateCommand* GenerateCmd = nullptr;
    TCheckCommands* CheckCmds = nullptr;
    TFilterCommands* FilterCmds = nullptr;
    TWordFileCommands* WordFileCmds = nullptr;
    TDialogCommands* DialogCmds = nullptr;
    std::unique_ptr<THelpOpener> Help;

    QSplitter* Splitter2Host = nullptr; // pTop over pBottom
    QSplitter* pTop = nullptr;          // lPan | rPan
    QWidget* lPan = nullptr;
    QWidget* rPan = nullptr;
    QWidget* pBottom = nullptr;
    TWordListsPanel* pcwords = nullptr;
    TzqListView* lvDomains = nullptr;
    TAnswersPanel* mAns = nullptr;
    TRowId AnswersRow = NoRowId; // the row the answers panel shows
    // Evidence for the shown row when it was checked in an earlier session.
    TEvidenceRereader* Rereader = nullptr;
    QComboBox* cbFilter = nullptr;
    QLabel* ShownPanel = nullptr;
    QLabel* ThreadsPanel = nullptr;
    QLabel* TotalPanel = nullptr;
    QProgressBar* pb = nullptr;
    TzqStatusPanel* sp = nullptr;

    std::unique_ptr<TProjectDialogs> ProjectPrompts;
    std::unique_ptr<TMainProjectWorkspace> ProjectWorkspace;
    TProjectController* ProjectCmds = nullptr;
    TResultJournal* Journal = nullptr;
    std::function<bool()> CloseQuestion;
    bool Shown = false;
    bool CloseAfterGeneration = false;
};
