#include "engine/ProjectController.h"
#include "engine/ResultJournal.h"
#include "models/DomainSortProxy.h"
#include "project/JournalReader.h"
#include "project/ProjectFile.h"
#include "support/TempDir.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <deque>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class TScriptedPrompts : public TProjectPrompts
{
public:
    TAnswer AskYesNoCancel(const QString& question) override
    {
        Questions.push_back(question.toStdString());
        return Answers.empty() ? Cancel : Pop(Answers);
    }
    QString OpenProjectFileName(const QString& folder) override
    {
        OpenFolders.push_back(folder.toStdString());
        return QString::fromStdString(Files.empty() ? std::string() : Pop(Files));
    }
    QString SaveProjectFileName() override
    {
        ++SaveDialogs;
        return QString::fromStdString(Files.empty() ? std::string() : Pop(Files));
    }
    void ShowMessage(const QString& text) override { Messages.push_back(text.toStdString()); }

    template <typename T> static T Pop(std::deque<T>& queue)
    {
        T front = queue.front();
        queue.pop_front();
        return front;
    }

    std::deque<TAnswer> Answers;
    std::deque<std::string> Files;
    std::vector<std::string> Questions, OpenFolders, Messages;
    int SaveDialogs = 0;
};

class TWordsWorkspace : public TProjectWorkspace
{
public:
    void StoreInto(TProjectData& project) const override
    {
        project.UsePrefix = Words.UsePrefix;
        project.UseSuffix = Words.UseSuffix;
        project.UseHyphens = Words.UseHyphens;
        project.Prefixes = Words.Prefixes;
        project.Keywords = Words.Keywords;
        project.Suffixes = Words.Suffixes;
        project.Tlds = Words.Tlds;
    }
    void LoadFrom(const TProjectData& project) override { Words = project; }
    void ResetWords() override
    {
        Words = TProjectData();
        Words.Tlds = {{"com", false}};
    }
    void StopChecks() override { ++Stops; }
    void ClearAnswers() override { ++AnswerClears; }
    void ShowProgress(int position, int maximum) override { Progress.push_back({position, maximum}); }

    TProjectData Words;
    int Stops = 0;
    int AnswerClears = 0;
    std::vector<std::pair<int, int>> Progress;
};

class ProjectControllerTest : public ::testing::Test
{
protected:
    ProjectControllerTest() { Table.SetSortType(stBoth); }

    // A checked table: rows with ticks, results, a start tick, answers and a word list.
    void FillProject()
    {
        Workspace.Words.UsePrefix = true;
        Workspace.Words.Prefixes = {{"web", true}, {"my", false}};
        Workspace.Words.Tlds = {{"com", true}};
        Model.AppendGenerated({"webshop.com", "myshop.com", "shop.com"});
        Model.SetChecked(1, false);
        Model.SetSlot(0, SlotAvailability, "NO");
        Model.SetSlot(0, SlotRegistrar, "<b>Registrar & Co</b>");
        Model.SetSlot(0, SlotExpires, "3/7/2026");
        Model.SetAnswer(0, "Domain: WEBSHOP.COM\r\n  Expires: 2026-03-07  \r\n");
        Model.SetSlot(2, SlotAvailability, "YES");
        Model.SetSlot(2, SlotStartTick, "12345");
        Controller.SetModified();
    }

    TTempDir Dir;
    TXMLSaveLoad Store;
    TDomainTableModel Model;
    TDomainSortProxy Table{Model};
    TWordsWorkspace Workspace;
    TScriptedPrompts Prompts;
    QString Folder = QStringLiteral("/projects");
    TProjectController Controller{Store, Table, Workspace, Prompts, [this] { return Folder; }};
};

TEST_F(ProjectControllerTest, SavedAndReopenedProjectRestoresRowsTicksSlotsAndAnswersSorted)
{
    FillProject();
    Table.SetSortDirection(sdDescending);
    const std::vector<TDomainRow> shown = Table.RowsInViewOrder();
    const std::string path = Dir.File("work.prj.xml");
    Prompts.Files = {path};
    QSignalSpy captions(&Controller, &TProjectController::CaptionChanged);
    ASSERT_TRUE(Controller.Save()); // untitled: asks for a name
    EXPECT_EQ(Prompts.SaveDialogs, 1);
    EXPECT_FALSE(Controller.Modified());
    EXPECT_EQ(captions.takeLast().at(0).toString().toStdString(), "Quarrow 2009 - " + path);
    // The file holds the rows as shown.
    TXMLSaveLoad reader;
    EXPECT_EQ(LoadProject(reader, path)->Rows, shown);

    ASSERT_TRUE(Controller.New());
    EXPECT_EQ(Model.RowCount(), 0);
    EXPECT_EQ(Controller.Caption().toStdString(), "Quarrow 2009 - Untitled");
    Table.SetSortDirection(sdAscending);
    Prompts.Files = {path};
    ASSERT_TRUE(Controller.Open());
    EXPECT_EQ(Prompts.OpenFolders, std::vector<std::string>{"/projects"});
    EXPECT_TRUE(Prompts.Questions.empty());
    EXPECT_EQ(Controller.ProjectFileName().toStdString(), path);
    EXPECT_FALSE(Controller.Modified());
    EXPECT_EQ(Workspace.Words.Prefixes, (std::vector<TWordEntry>{{"web", true}, {"my", false}}));
    EXPECT_TRUE(Workspace.Words.UsePrefix);
    // The documents folder moved (another HOME, a renamed folder): the next Open starts there.
    Folder = QStringLiteral("/elsewhere/projects");
    Prompts.Files = {""};
    EXPECT_FALSE(Controller.Open());
    EXPECT_EQ(Prompts.OpenFolders, (std::vector<std::string>{"/projects", "/elsewhere/projects"}));
    EXPECT_EQ(Workspace.Progress.back(), std::make_pair(10, 10));

    // Sorted once by the current column and direction; each row still reaches its own answers.
    std::vector<TDomainRow> expected = shown;
    std::reverse(expected.begin(), expected.end());
    expected[1].Slots[SlotStartTick] = ""; // shop.com's start tick belonged to the last run
    EXPECT_EQ(Table.RowsInViewOrder(), expected);
    EXPECT_EQ(Table.AnswersText(Table.SourceRow(2)).toStdString(), "Domain: WEBSHOP.COM\n  Expires: 2026-03-07  ");
    EXPECT_EQ(Table.SortType(), stBoth);
}

TEST_F(ProjectControllerTest, RowsThatNamedOneAnswersEntryKeepTheirOwnAfterOpening)
{
    TProjectData shared;
    shared.Rows = {{"a.com", true, {"NO", "", "", "", "0", ""}}, {"b.com", true, {"NO", "", "", "", "0", ""}}};
    shared.AnswerLog = {"the one answer"};
    TXMLSaveLoad writer;
    ASSERT_TRUE(SaveProject(writer, Dir.File("shared.prj.xml"), shared));
    Prompts.Files = {Dir.File("shared.prj.xml")};
    ASSERT_TRUE(Controller.Open());
    ASSERT_EQ(Model.RowCount(), 2);
    ASSERT_NE(Model.AnswerIndexOf(0), Model.AnswerIndexOf(1));
    // A new result for one row replaces its own entry only.
    Model.SetAnswer(Model.AnswerIndexOf(1), "b's new answer");
    EXPECT_EQ(Table.AnswersText(0).toStdString(), "the one answer");
    EXPECT_EQ(Table.AnswersText(1).toStdString(), "b's new answer");
}

TEST_F(ProjectControllerTest, UnsavedChangesQuestionGuardsNewOpenAndClosing)
{
    EXPECT_TRUE(Controller.CloseQuery()); // clean: nothing asked
    EXPECT_TRUE(Prompts.Questions.empty());

    FillProject();
    Prompts.Answers = {TProjectPrompts::Cancel};
    EXPECT_FALSE(Controller.New());
    EXPECT_EQ(Prompts.Questions, std::vector<std::string>{"Save changes to Untitled"});
    EXPECT_EQ(Model.RowCount(), 3);

    Prompts.Answers = {TProjectPrompts::Cancel};
    EXPECT_FALSE(Controller.Open());
    EXPECT_TRUE(Prompts.OpenFolders.empty());
    EXPECT_EQ(Table.SortType(), stBoth);

    // Yes on an untitled project asks for a name; cancelling that keeps the changes and the window.
    Prompts.Answers = {TProjectPrompts::Yes};
    EXPECT_FALSE(Controller.CloseQuery());
    EXPECT_EQ(Prompts.SaveDialogs, 1);
    EXPECT_TRUE(Controller.Modified());

    Prompts.Answers = {TProjectPrompts::Yes};
    Prompts.Files = {Dir.File("saved.prj.xml")};
    EXPECT_TRUE(Controller.CloseQuery());
    EXPECT_FALSE(Controller.Modified());
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(Dir.File("saved.prj.xml"))));

    Controller.SetModified();
    Prompts.Answers = {TProjectPrompts::No};
    EXPECT_TRUE(Controller.New());
    EXPECT_EQ(Model.RowCount(), 0);
    EXPECT_EQ(Workspace.Stops, 1);
    EXPECT_EQ(Workspace.Words.Tlds, (std::vector<TWordEntry>{{"com", false}}));
    EXPECT_EQ(Controller.Caption().toStdString(), "Quarrow 2009 - Untitled");
    EXPECT_FALSE(Controller.Modified());
}

TEST_F(ProjectControllerTest, AFailedSaveSaysWhyAndKeepsTheProjectModified)
{
    FillProject();
    Dir.Write("plain", "a file, not a folder");
    Prompts.Files = {Dir.File("plain/x.prj.xml")};
    EXPECT_FALSE(Controller.SaveAs());
    ASSERT_EQ(Prompts.Messages.size(), 1u);
    EXPECT_NE(Prompts.Messages[0].find("plain/x.prj.xml"), std::string::npos);
    EXPECT_NE(Prompts.Messages[0].find("Cannot"), std::string::npos) << Prompts.Messages[0];
    EXPECT_TRUE(Controller.Modified());
    EXPECT_EQ(Controller.ProjectFileName().toStdString(), "Untitled");

    // Saving over a file that is not a well-formed document writes nothing and leaves it whole.
    const std::string broken = Dir.Write("broken.prj.xml", "<QRW><HEADER>");
    Prompts.Files = {broken};
    EXPECT_FALSE(Controller.SaveAs());
    EXPECT_EQ(Dir.Read("broken.prj.xml"), "<QRW><HEADER>");
    EXPECT_TRUE(Controller.Modified());
    EXPECT_EQ(Prompts.Messages.size(), 2u);
}

TEST_F(ProjectControllerTest, RefusedFilesKeepTheCurrentProject)
{
    FillProject();
    const std::string good = Dir.File("good.prj.xml");
    Prompts.Files = {good};
    ASSERT_TRUE(Controller.SaveAs());
    Controller.SetModified();
    const std::vector<TDomainRow> before = Table.RowsInViewOrder();

    TXMLSaveLoad words;
    ASSERT_TRUE(SaveWordListFile(words, Dir.File("list.ctg.xml"), {{{"web", true}}, {}}));
    mkdir(Dir.File("folder.prj.xml").c_str(), 0700);
    mkfifo(Dir.File("pipe.prj.xml").c_str(), 0600);
    const std::string bad[] = {
        Dir.File("list.ctg.xml"),
        Dir.File("folder.prj.xml"),
        Dir.File("pipe.prj.xml"),
        Dir.File("missing.prj.xml"),
        Dir.Write("empty.prj.xml", ""),
        Dir.Write("words.txt", "shop\nweb\n"),
        Dir.Write("other.xml", "<?xml version=\"1.0\"?><html><body>hi</body></html>"),
        Dir.Write("junk.prj.xml", std::string(1 << 20, '\x9c')),
        Dir.Write("absurd.prj.xml", "<QRW><HEADER><NAME>Quarrow</NAME><VERSION>1</VERSION></HEADER><PROJECT><Results>"
                                    "<ITEMS><COUNT>2000000000</COUNT></ITEMS></Results><RESULTLIST><Count>-5</Count>"
                                    "</RESULTLIST></PROJECT></QRW>"),
    };
    for (const std::string& path : bad) {
        Prompts.Messages.clear();
        Prompts.Answers = {TProjectPrompts::No};
        Prompts.Files = {path};
        const bool opened = Controller.Open();
        EXPECT_EQ(Table.SortType(), stBoth) << path;
        if (opened) {
            // A file the reader accepts opens with what it holds, bounded by its size.
            EXPECT_EQ(path, bad[8]);
            EXPECT_LE(Model.RowCount(), 64);
            continue;
        }
        EXPECT_EQ(Prompts.Messages.size(), 1u) << path;
        EXPECT_EQ(Table.RowsInViewOrder(), before) << path;
        EXPECT_EQ(Controller.ProjectFileName().toStdString(), good) << path;
        EXPECT_TRUE(Controller.Modified()) << path;
    }
}

// The window as the next start finds it: a table, store and controller of its own, journalling.
struct TNextRun
{
    explicit TNextRun(const std::string& recoveryPath) { Controller.SetJournal(&Journal, recoveryPath); }

    TXMLSaveLoad Store;
    TDomainTableModel Model;
    TDomainSortProxy Table{Model};
    TWordsWorkspace Workspace;
    TScriptedPrompts Prompts;
    TResultJournal Journal{Model};
    TProjectController Controller{Store, Table, Workspace, Prompts, [] { return QString(); }};
};

int RowNamed(const TDomainTableModel& model, const std::string& caption)
{
    for (int row = 0; row < model.RowCount(); ++row)
        if (model.Caption(row) == caption)
            return row;
    return -1;
}

bool Exists(const std::string& path)
{
    return ::access(path.c_str(), F_OK) == 0;
}

// A result as the dispatcher leaves it in its row, then journalled.
void DeliverResult(TDomainTableModel& model, TResultJournal& journal, int row, const std::string& verdict,
                   const std::string& answers)
{
    model.SetSlot(row, SlotAvailability, verdict);
    model.SetAnswer(model.AnswerIndexOf(row), answers);
    journal.Record(model.IdAt(row));
}

TEST_F(ProjectControllerTest, ASavedProjectsCheckIsJournalledBesideItAndAppliedWhenItIsOpenedAgain)
{
    const std::string recovery = Dir.File("data/recovery.prj.xml");
    TResultJournal journal(Model);
    Controller.SetJournal(&journal, recovery);
    FillProject();
    const std::string path = Dir.File("work.prj.xml");
    const std::string journalPath = path + ".journal";
    ASSERT_TRUE(Controller.SaveProject(QString::fromStdString(path)));
    {
        // The run that checks it: it holds the project's lock until it ends.
        TNextRun first(recovery);
        first.Prompts.Files = {path};
        ASSERT_TRUE(first.Controller.Open());
        ASSERT_TRUE(first.Controller.CheckStarting());
        EXPECT_FALSE(Exists(recovery)) << "a saved project needs no copy";
        DeliverResult(first.Model, first.Journal, RowNamed(first.Model, "myshop.com"), "YES",
                      "No match for myshop.com");
        DeliverResult(first.Model, first.Journal, RowNamed(first.Model, "shop.com"), "RESULT ERROR",
                      "gave up after 41 s");
        EXPECT_TRUE(Exists(journalPath));
    }

    // The program ends here without a save: the next start opens the project with the results.
    {
        TNextRun next(recovery);
        ASSERT_TRUE(next.Controller.OpenFile(QString::fromStdString(path)));
        ASSERT_EQ(next.Prompts.Messages.size(), 1u);
        EXPECT_EQ(next.Prompts.Messages[0],
                  "A check that did not finish left 2 results in \"" + journalPath + "\"; they were applied.");
        EXPECT_TRUE(next.Controller.Modified());
        const int row = RowNamed(next.Model, "myshop.com");
        EXPECT_EQ(next.Model.Slot(row, SlotAvailability), "YES");
        EXPECT_EQ(next.Model.AnswerLog()[static_cast<std::size_t>(next.Model.AnswerIndexOf(row))],
                  "No match for myshop.com");
        EXPECT_EQ(next.Model.Slot(RowNamed(next.Model, "shop.com"), SlotAvailability), "RESULT ERROR");
        // It goes on journalling there until a save puts everything into the file.
        DeliverResult(next.Model, next.Journal, RowNamed(next.Model, "webshop.com"), "NO", "Domain: WEBSHOP.COM");
        EXPECT_TRUE(Exists(journalPath));
        ASSERT_TRUE(next.Controller.Save());
        EXPECT_FALSE(Exists(journalPath));
        EXPECT_FALSE(next.Controller.Modified());
        TXMLSaveLoad reader;
        const std::vector<TDomainRow> rows = LoadProject(reader, path)->Rows;
        ASSERT_EQ(rows.size(), 3u);
        EXPECT_EQ(rows[0].Slots[SlotAvailability], "YES"); // myshop.com, first as the table showed it
        EXPECT_EQ(rows[2].Slots[SlotAvailability], "NO");

        // Changes thrown away take their journal with them.
        DeliverResult(next.Model, next.Journal, 0, "RESULT ERROR", "x");
        next.Controller.SetModified();
        EXPECT_TRUE(Exists(journalPath));
        next.Prompts.Answers = {TProjectPrompts::No};
        ASSERT_TRUE(next.Controller.CloseQuery());
        EXPECT_FALSE(Exists(journalPath));
    }
}

TEST_F(ProjectControllerTest, AnUnsavedProjectsCheckIsOfferedBackAtTheNextStart)
{
    const std::string recovery = Dir.File("recovery.prj.xml");
    TResultJournal journal(Model);
    Controller.SetJournal(&journal, recovery);
    FillProject();
    Controller.CheckStarting();
    ASSERT_TRUE(Exists(recovery));
    DeliverResult(Model, journal, RowNamed(Model, "myshop.com"), "NO", "Registrar: Mine");
    ASSERT_TRUE(Exists(recovery + ".journal"));

    // Cancel keeps the copy for a later start, No throws it away.
    {
        TNextRun next(recovery);
        next.Prompts.Answers = {TProjectPrompts::Cancel};
        EXPECT_FALSE(next.Controller.OfferRecovery());
        EXPECT_EQ(next.Prompts.Questions.size(), 1u);
        EXPECT_TRUE(Exists(recovery));
    }
    {
        TNextRun next(recovery);
        next.Prompts.Answers = {TProjectPrompts::Yes};
        ASSERT_TRUE(next.Controller.OfferRecovery());
        EXPECT_EQ(next.Controller.ProjectFileName().toStdString(), "Untitled");
        EXPECT_TRUE(next.Controller.Modified());
        EXPECT_EQ(next.Workspace.Words.Prefixes, (std::vector<TWordEntry>{{"web", true}, {"my", false}}));
        ASSERT_EQ(next.Model.RowCount(), 3);
        EXPECT_EQ(next.Model.Slot(RowNamed(next.Model, "myshop.com"), SlotAvailability), "NO");
        EXPECT_EQ(next.Model.Slot(RowNamed(next.Model, "webshop.com"), SlotRegistrar), "<b>Registrar & Co</b>");
        // Saved under a name of its own, it needs the copy no more.
        const std::string path = Dir.File("kept.prj.xml");
        next.Prompts.Files = {path};
        ASSERT_TRUE(next.Controller.Save());
        EXPECT_FALSE(Exists(recovery));
        EXPECT_FALSE(Exists(recovery + ".journal"));
        EXPECT_FALSE(next.Controller.OfferRecovery());
    }
    Controller.CheckStarting();
    {
        TNextRun next(recovery);
        next.Prompts.Answers = {TProjectPrompts::No};
        EXPECT_FALSE(next.Controller.OfferRecovery());
        EXPECT_FALSE(Exists(recovery));
        EXPECT_EQ(next.Model.RowCount(), 0);
    }
}

TEST_F(ProjectControllerTest, AJournalThatIsNoJournalIsSetAsideAndTheProjectOpens)
{
    FillProject();
    const std::string path = Dir.File("work.prj.xml");
    ASSERT_TRUE(Controller.SaveProject(QString::fromStdString(path)));
    Dir.Write("work.prj.xml.journal", "garbage\n");
    TNextRun next(Dir.File("recovery.prj.xml"));
    ASSERT_TRUE(next.Controller.OpenFile(QString::fromStdString(path)));
    EXPECT_EQ(next.Model.RowCount(), 3);
    EXPECT_FALSE(next.Controller.Modified());
    ASSERT_EQ(next.Prompts.Messages.size(), 1u);
    EXPECT_NE(next.Prompts.Messages[0].find("could not be read (it is no check journal)"), std::string::npos);
    EXPECT_EQ(Dir.Read("work.prj.xml.journal.unreadable"), "garbage\n");
    EXPECT_FALSE(Exists(path + ".journal"));
}

TEST_F(ProjectControllerTest, AfterAJournalTheRestOfTheTickedRowsIsOfferedToBeChecked)
{
    TProjectData project;
    const std::pair<const char*, bool> rows[] = {{"a.com", true}, {"b.com", true}, {"c.com", false}, {"d.com", true}};
    for (const auto& [name, ticked] : rows) {
        project.Rows.push_back({name, ticked, {"", "", "", "", std::to_string(project.AnswerLog.size()), ""}});
        project.AnswerLog.emplace_back();
    }
    const std::string path = Dir.File("work.prj.xml");
    ASSERT_TRUE(SaveProject(Store, path, project));
    {
        TNextRun killed(Dir.File("recovery.prj.xml"));
        ASSERT_TRUE(killed.Controller.OpenFile(QString::fromStdString(path)));
        ASSERT_TRUE(killed.Controller.CheckStarting());
        DeliverResult(killed.Model, killed.Journal, RowNamed(killed.Model, "b.com"), "NO", "Registrar: B");
    }
    // a.com and d.com are left (c.com is not ticked). No goes on without a check, Yes asks for one.
    for (const TProjectPrompts::TAnswer answer : {TProjectPrompts::No, TProjectPrompts::Yes}) {
        TNextRun next(Dir.File("recovery.prj.xml"));
        QSignalSpy continued(&next.Controller, &TProjectController::ContinueRequested);
        next.Prompts.Answers = {answer};
        ASSERT_TRUE(next.Controller.OpenFile(QString::fromStdString(path)));
        ASSERT_EQ(next.Prompts.Questions.size(), 1u);
        EXPECT_EQ(next.Prompts.Questions[0], "A check that did not finish left 1 result in \"" + path +
                                                 ".journal\"; they were applied.\n\nGo on checking the 2 ticked rows "
                                                 "without a result?");
        EXPECT_TRUE(next.Prompts.Messages.empty());
        EXPECT_EQ(continued.count(), answer == TProjectPrompts::Yes ? 1 : 0);
        EXPECT_EQ(next.Model.Slot(RowNamed(next.Model, "b.com"), SlotAvailability), "NO");
    }
}

TEST_F(ProjectControllerTest, AProjectAnotherProgramChecksIsNotCheckedAndItsJournalIsLeftAlone)
{
    FillProject();
    const std::string path = Dir.File("work.prj.xml");
    ASSERT_TRUE(Controller.SaveProject(QString::fromStdString(path)));
    TProjectLock other;
    ASSERT_TRUE(other.Take(path));
    const std::string busy =
        "The project " + path + " is being checked by another program (pid " + std::to_string(::getpid()) + ").";
    // What the other program has journalled so far is being written, not left over.
    const std::string journal = Dir.Write("work.prj.xml.journal", "written by the other program");

    ASSERT_TRUE(Controller.OpenFile(QString::fromStdString(path)));
    ASSERT_EQ(Prompts.Messages.size(), 1u);
    EXPECT_EQ(Prompts.Messages[0].rfind(busy, 0), 0u) << Prompts.Messages[0];
    EXPECT_EQ(Dir.Read("work.prj.xml.journal"), "written by the other program");
    EXPECT_FALSE(Controller.Modified());
    EXPECT_FALSE(Controller.CheckStarting());
    ASSERT_EQ(Prompts.Messages.size(), 2u);
    EXPECT_EQ(Prompts.Messages[1], busy + "\nThe check was not started.");

    // Once the other program is done, this one checks the project and keeps it from others.
    other.Release();
    ::unlink(journal.c_str());
    EXPECT_TRUE(Controller.CheckStarting());
    EXPECT_FALSE(other.Take(path));
    // Saved under another name, the project takes its lock along.
    const std::string renamed = Dir.File("renamed.prj.xml");
    Prompts.Files = {renamed};
    ASSERT_TRUE(Controller.SaveAs());
    EXPECT_FALSE(other.Take(renamed));
    ASSERT_TRUE(other.Take(path)) << other.Refusal();
    other.Release();
    // Until it moves on to another project.
    Prompts.Answers = {TProjectPrompts::No};
    ASSERT_TRUE(Controller.New());
    EXPECT_TRUE(other.Take(renamed)) << other.Refusal();
}

TEST(ResultJournal, AJournalThatCannotBeWrittenIsReportedOnceAndTheNextFileIsTried)
{
    TTempDir dir;
    TDomainTableModel model;
    model.AppendGenerated({"a.com", "b.com"});
    TResultJournal journal(model);
    QSignalSpy failures(&journal, &TResultJournal::Failed);
    journal.SetPath(dir.File("missing/folder/p.prj.xml.journal"));
    // An unchecked row has nothing to journal.
    journal.Record(model.IdAt(0));
    EXPECT_EQ(failures.count(), 0);
    model.SetSlot(0, SlotAvailability, "YES");
    model.SetSlot(1, SlotAvailability, "NO");
    journal.Record(model.IdAt(0));
    journal.Record(model.IdAt(1));
    ASSERT_EQ(failures.count(), 1);
    EXPECT_NE(failures.at(0).at(0).toString().indexOf(QStringLiteral("cannot open the journal")), -1);

    journal.SetPath(dir.File("p.prj.xml.journal"));
    journal.Record(model.IdAt(1));
    EXPECT_EQ(failures.count(), 1);
    const TJournalReader::TContents contents = TJournalReader::Read(dir.Read("p.prj.xml.journal"));
    ASSERT_EQ(contents.Records.size(), 1u);
    EXPECT_EQ(contents.Records[0].Caption, "b.com");
    EXPECT_EQ(contents.Records[0].Verdict, TRowResult::Registered);
}

} // namespace
