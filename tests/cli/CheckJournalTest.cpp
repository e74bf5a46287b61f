#include "base/WholeFile.h"
#include "project/JournalReader.h"
#include "project/JournalRecovery.h"
#include "project/ProjectFile.h"
#include "support/FakeWhoisServer.h"
#include "support/LoopbackSockets.h"
#include "support/ProcessRunner.h"
#include "support/TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <set>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

using testing::HasSubstr;

// A quarrow-cli started in the background, its standard output going to a file, so that a test
// can kill it in the middle of its work.
class TRunningCli
{
public:
    TRunningCli(const std::vector<std::string>& args, const std::string& inPath, const std::string& outPath)
    {
        std::vector<std::string> argv = {QUARROW_CLI_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> pointers;
        for (std::string& arg : argv)
            pointers.push_back(arg.data());
        pointers.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, inPath.c_str(), O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        const int error = posix_spawn(&Pid, pointers[0], &actions, nullptr, pointers.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (error != 0)
            throw std::runtime_error("cannot start quarrow-cli");
    }
    ~TRunningCli() { Kill(); }
    pid_t Id() const { return Pid; }
    TRunningCli(const TRunningCli&) = delete;
    TRunningCli& operator=(const TRunningCli&) = delete;

    // SIGKILL: nothing of the program runs after it.
    void Kill()
    {
        if (Pid <= 0)
            return;
        ::kill(Pid, SIGKILL);
        int status = 0;
        while (::waitpid(Pid, &status, 0) < 0 && errno == EINTR) {
        }
        Pid = -1;
    }

private:
    pid_t Pid = -1;
};

// Polls `done` until it holds; false after 60 s. The test waits on what the program did, never
// for a time.
bool WaitUntil(const std::function<bool()>& done)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

std::string FileText(const std::string& path)
{
    const TWholeFile file = ReadWholeFile(path, 1 << 30);
    return file.Loaded() ? std::string(file.View()) : std::string();
}

std::size_t LineCount(const std::string& text)
{
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

class CheckJournalTest : public ::testing::Test
{
protected:
    static constexpr int Names = 300;

    void SetUp() override
    {
        QUARROW_SKIP_WITHOUT_WHOIS_PORT();
        setenv("HOME", Dir.Path().c_str(), 1);
        setenv("XDG_CONFIG_HOME", Dir.File("config").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", Dir.Path().c_str(), 1);
        // Even names are taken, odd ones free.
        for (int i = 0; i < Names; ++i) {
            const std::string name = NameOf(i);
            Registry.SetAnswer(name, i % 2 == 0 ? "Registrar: Reg " + std::to_string(i) + "\r\n"
                                                : "No match for \"" + name + "\".\r\n");
        }
        ConfigPath = Dir.Write("mvwhois.ini", "[TLD]\ncom=" + Registry.Address() + "\n[" + Registry.Address() +
                                                  "]\nnot_found_strings=No match for\nregistrar_string=Registrar:\n");
    }

    static std::string NameOf(int i) { return "name" + std::to_string(i) + ".com"; }
    static std::string VerdictOf(int i) { return i % 2 == 0 ? "NO" : "YES"; }

    std::vector<std::string> CheckArgs(std::vector<std::string> rest) const
    {
        std::vector<std::string> args = {"check", "--config", ConfigPath, "--pause", "1", "--threads", "8"};
        args.insert(args.end(), rest.begin(), rest.end());
        return args;
    }

    // Lets the host answer half the names, then holds every further reply, so that no result can
    // arrive after `settled` says the program has dealt with the answered ones. Returns how many
    // answers the host had given then (a reply on its way when the hold began may follow).
    int StopHalfway(const std::function<std::size_t()>& settled)
    {
        int answered = 0;
        EXPECT_TRUE(WaitUntil([&] { return Registry.FinishedCount() >= Names / 2; }));
        Registry.HoldReplies();
        EXPECT_TRUE(WaitUntil([&] {
            answered = Registry.FinishedCount();
            return settled() >= static_cast<std::size_t>(answered);
        })) << settled()
            << " of " << Registry.FinishedCount() << " answers dealt with";
        return answered;
    }

    // A project of the test's names, all ticked and none checked.
    std::string SaveProjectOfNames(const std::string& name) const
    {
        TProjectData project;
        project.Tlds = {{"com", true}};
        for (int i = 0; i < Names; ++i) {
            project.Rows.push_back({NameOf(i), true, {"", "", "", "", std::to_string(i), ""}});
            project.AnswerLog.emplace_back();
        }
        TXMLSaveLoad store;
        const std::string path = Dir.File(name);
        EXPECT_TRUE(SaveProject(store, path, project));
        return path;
    }

    TProcessResult RunCheck(const std::vector<std::string>& rest) const
    {
        std::vector<std::string> argv = {QUARROW_CLI_PATH};
        for (const std::string& arg : CheckArgs(rest))
            argv.push_back(arg);
        return RunProcess(argv);
    }

    TTempDir Dir;
    TFakeWhoisServer Registry{"", WhoisPortIfAllowed()};
    std::string ConfigPath;
};

TEST_F(CheckJournalTest, AProjectCheckKilledHalfwayGoesOnWhereItStoppedOnTheNextRun)
{
    const std::string path = SaveProjectOfNames("big.prj.xml");
    const std::string original = FileText(path);
    const std::string journalPath = TJournalRecovery::JournalPathOf(path);

    std::set<std::string> journalled;
    {
        TRunningCli cli(CheckArgs({"--project", path}), "/dev/null", Dir.File("first.tsv"));
        StopHalfway([&] { return TJournalReader::Read(FileText(journalPath)).Records.size(); });
        cli.Kill();
    }
    // The project file is as it was, whole; the journal holds what the killed check finished.
    EXPECT_EQ(FileText(path), original);
    const TJournalReader::TContents left = TJournalReader::Read(FileText(journalPath));
    EXPECT_EQ(left.Status, TJournalReader::TStatus::Whole);
    ASSERT_GE(left.Records.size(), static_cast<std::size_t>(Names / 2));
    ASSERT_LT(left.Records.size(), static_cast<std::size_t>(Names));
    for (const TJournalRecord& record : left.Records)
        journalled.insert(record.Caption);
    const int askedBefore = static_cast<int>(Registry.Requests().size());
    Registry.ReleaseReplies();

    const TProcessResult rerun = RunCheck({"--project", path});
    ASSERT_EQ(rerun.ExitStatus, 0) << rerun.Err;
    EXPECT_THAT(rerun.Err, HasSubstr("left " + std::to_string(journalled.size()) + " results in \"" + journalPath +
                                     "\"; they were applied."));
    // Every name has its record, those of the journal too.
    EXPECT_EQ(LineCount(rerun.Out), static_cast<std::size_t>(Names));
    EXPECT_THAT(rerun.Err, HasSubstr("Checked 300 names"));

    // The journal is gone once the project holds everything.
    EXPECT_NE(::access(journalPath.c_str(), F_OK), 0);
    TXMLSaveLoad reader;
    const auto saved = LoadProject(reader, path);
    ASSERT_TRUE(saved.has_value());
    ASSERT_EQ(saved->Rows.size(), static_cast<std::size_t>(Names));
    int askedTwice = 0;
    int askedInAll = 0;
    for (int i = 0; i < Names; ++i) {
        const TDomainRow& row = saved->Rows[static_cast<std::size_t>(i)];
        ASSERT_EQ(row.Caption, NameOf(i));
        EXPECT_EQ(row.Slots[SlotAvailability], VerdictOf(i)) << row.Caption;
        EXPECT_EQ(row.Slots[SlotRegistrar], i % 2 == 0 ? "Reg " + std::to_string(i) : "") << row.Caption;
        const std::string& answers = saved->AnswerLog[static_cast<std::size_t>(std::stoi(row.Slots[SlotAnswerIndex]))];
        EXPECT_THAT(answers, HasSubstr(i % 2 == 0 ? "Registrar: Reg " + std::to_string(i) : "No match for"));
        // A name with a result in the journal is never asked again; one whose answer the kill
        // held back is asked once more.
        const int asked = Registry.RequestCount(NameOf(i));
        if (journalled.count(NameOf(i)) > 0)
            EXPECT_EQ(asked, 1) << row.Caption;
        else
            EXPECT_GE(asked, 1) << row.Caption;
        askedTwice += asked > 1 ? 1 : 0;
        askedInAll += asked;
    }
    // Only the names asked and not answered when the check was killed: at most one per thread, and
    // none of them more than twice. (The host's own count of connections may hold one more: a
    // connection the kill cut before its request line was whole names no domain.)
    EXPECT_LE(askedTwice, 8);
    EXPECT_EQ(askedInAll, Names + askedTwice);
    EXPECT_GT(static_cast<int>(Registry.Requests().size()), askedBefore);
}

TEST_F(CheckJournalTest, RecordsWrittenToAFileSurviveAKill)
{
    std::string names;
    for (int i = 0; i < Names; ++i)
        names += NameOf(i) + "\n";
    const std::string in = Dir.Write("names.txt", names);
    const std::string out = Dir.File("out.tsv");
    int answered = 0;
    {
        TRunningCli cli(CheckArgs({"-"}), in, out);
        answered = StopHalfway([&] { return LineCount(FileText(out)); });
        cli.Kill();
    }
    // `check - > out.tsv`: every answer the host gave is a whole record in the file.
    const std::string text = FileText(out);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');
    EXPECT_GE(LineCount(text), static_cast<std::size_t>(answered));
    EXPECT_LE(LineCount(text), static_cast<std::size_t>(Registry.FinishedCount()));
    EXPECT_LT(LineCount(text), static_cast<std::size_t>(Names));
    std::set<std::string> seen;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        const std::string name = line.substr(0, line.find('\t'));
        const int i = std::stoi(name.substr(4));
        EXPECT_EQ(line,
                  name + "\t" + VerdictOf(i) + "\t" + (i % 2 == 0 ? "Reg " + std::to_string(i) : "") + "\t\t\t" + name);
        EXPECT_TRUE(seen.insert(name).second) << name << " twice";
    }
    Registry.ReleaseReplies();
}

TEST_F(CheckJournalTest, ASecondProgramDoesNotCheckAProjectThatIsBeingChecked)
{
    const std::string path = SaveProjectOfNames("busy.prj.xml");
    Registry.HoldReplies();
    {
        TRunningCli first(CheckArgs({"--project", path}), "/dev/null", Dir.File("first.tsv"));
        // Asking means the project is locked: the lock comes before its journal is read.
        ASSERT_TRUE(WaitUntil([&] { return !Registry.Requests().empty(); }));
        const TProcessResult second = RunCheck({"--project", path});
        EXPECT_EQ(second.ExitStatus, 2);
        EXPECT_THAT(second.Err, HasSubstr("The project " + path + " is being checked by another program (pid " +
                                          std::to_string(first.Id()) + ")."));
        EXPECT_TRUE(second.Out.empty());
        for (int i = 0; i < Names; ++i)
            EXPECT_LE(Registry.RequestCount(NameOf(i)), 1) << NameOf(i);
        first.Kill();
    }
    Registry.ReleaseReplies();
    // The killed program's lock is left behind, and blocks nothing.
    EXPECT_EQ(::access((path + ".lock").c_str(), F_OK), 0);
    const TProcessResult rerun = RunCheck({"--project", path});
    EXPECT_EQ(rerun.ExitStatus, 0) << rerun.Err;
    EXPECT_EQ(LineCount(rerun.Out), static_cast<std::size_t>(Names));
    EXPECT_NE(::access((path + ".lock").c_str(), F_OK), 0);
}

} // namespace
