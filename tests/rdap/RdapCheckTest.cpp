#include "../engine/CheckDispatcherProbe.h"
#include "../engine/CheckRig.h"
#include "../engine/DrivenPass.h"

#include "core/ExpiryDate.h"
#include "engine/LearntPace.h"
#include "models/ExpiryDateFormat.h"
#include "project/ProjectFile.h"
#include "project/XMLSaveLoad.h"
#include "settings/ProxyUrl.h"
#include "support/FakeRdapServer.h"
#include "support/HangUpListener.h"
#include "support/SocksDaemons.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace {

using TResponse = TFakeRdapServer::TResponse;

// A registered name as a registry's RDAP server describes it: the registrar as an entity with a
// vCard (a name outside ASCII, and markup characters the project file must escape) and its WHOIS
// host, and the expiration among the events.
const char* const TakenBody = R"({
  "objectClassName": "domain", "ldhName": "taken.com", "rdapConformance": ["rdap_level_0"],
  "entities": [{"objectClassName": "entity", "roles": ["registrar"],
    "vcardArray": ["vcard", [["version", {}, "text", "4.0"], ["fn", {}, "text", "Régistre <Nord> & Fils"]]],
    "port43": "whois.registrar.example"}],
  "events": [{"eventAction": "registration", "eventDate": "2001-02-03T04:05:06Z"},
             {"eventAction": "expiration", "eventDate": "2027-03-14T00:00:00Z"}]
})";

class RdapCheckTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { Certificates = std::make_unique<TTestCertificates>(); }
    static void TearDownTestSuite() { Certificates.reset(); }

    TCheckOptions Options(int rdapTimeoutMs = 10000) const
    {
        TCheckOptions options;
        options.Rdap.ExtraCaCertificatesPem = Certificates->CaPem();
        options.RdapTimeoutMs = rdapTimeoutMs;
        options.BackOff = [waits = BackOffs](int ms) {
            std::lock_guard lock(waits->Mutex);
            waits->Ms.push_back(ms);
        };
        return options;
    }

    static std::unique_ptr<TTestCertificates> Certificates;
    // The back-offs the workers asked for, instead of sleeping them out.
    struct TBackOffs
    {
        std::mutex Mutex;
        std::vector<int> Ms;
    };
    std::shared_ptr<TBackOffs> BackOffs = std::make_shared<TBackOffs>();
    TCheckRig Rig;
};

std::unique_ptr<TTestCertificates> RdapCheckTest::Certificates;

TEST_F(RdapCheckTest, EveryRdapAnswerGivesItsRowAndAnswersThatWouldComeAgainAreAskedOnce)
{
    TFakeRdapServer rdap(*Certificates);
    TFakeWhoisServer whois("127.0.0.1", 0);
    whois.SetAnswer("old.net", "No match for \"OLD.NET\".\r\n");
    Rig.WriteConfig("[TLD]\ncom=" + rdap.BaseUrl() + "\nnet=127.0.0.1\n[127.0.0.1]\nnot_found_strings=No match for\n");
    const auto path = &TFakeRdapServer::DomainPath;
    rdap.SetResponse(path("taken.com"), {200, TakenBody, {}, false, 0});
    rdap.SetResponse(path("page.com"), {200, "<!DOCTYPE html><html><body>Welcome</body></html>", {}, false, 0});
    rdap.SetResponse(path("deep.com"), {200, std::string(100000, '[') + std::string(100000, ']'), {}, false, 0});
    rdap.SetResponse(path("huge.com"), {200, "", {}, false, 21 * 1024 * 1024});
    rdap.SetResponse(path("loop.com"), {302, "", {{"Location", path("loop.com")}}, false, 0});

    Rig.Start(whois.Port(), 10, 3, 1, Options());
    Rig.Generate({"taken.com", "free.com", "page.com", "deep.com", "huge.com", "loop.com", "old.net"});
    ASSERT_TRUE(Rig.RunPass(60000));

    EXPECT_EQ(Rig.Slot("taken.com", SlotAvailability), "NO");
    EXPECT_EQ(Rig.Slot("taken.com", SlotRegistrar), "Régistre <Nord> & Fils");
    EXPECT_EQ(Rig.Slot("taken.com", SlotWhoisServer), "whois.registrar.example");
    const int expiry = DayNumberFromDate(2027, 3, 14);
    EXPECT_EQ(Rig.Model.ExpiryDay(Rig.Row("taken.com")), expiry);
    EXPECT_EQ(Rig.Slot("taken.com", SlotExpires), FormatDayNumber(expiry));
    EXPECT_NE(Rig.Answer("taken.com").find("\"ldhName\": \"taken.com\""), std::string::npos) << Rig.Answer("taken.com");
    EXPECT_EQ(Rig.Answer("taken.com").substr(Rig.Answer("taken.com").size() - 71), "\r\n" + std::string(69, '-'));

    EXPECT_EQ(Rig.Slot("free.com", SlotAvailability), "YES");
    // Bodies that are no RDAP answer, and a redirect loop, are errors that another attempt would
    // only repeat.
    for (const char* name : {"page.com", "deep.com", "huge.com", "loop.com"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Rig.Slot(name, SlotAvailability), "RESULT ERROR");
        EXPECT_NE(Rig.Answer(name).find(TRdapClient::DomainUrl(rdap.BaseUrl(), name)), std::string::npos)
            << Rig.Answer(name);
    }
    EXPECT_EQ(rdap.RequestCount(path("page.com")), 1);
    EXPECT_EQ(rdap.RequestCount(path("loop.com")), 6);
    // The port-43 host in the same pass is asked as before.
    EXPECT_EQ(Rig.Slot("old.net", SlotAvailability), "YES");
    EXPECT_EQ(whois.RequestCount("old.net"), 1);
}

// A throttling (429) or failing (5xx) RDAP host refuses like a WHOIS host: the row goes back to its
// host's queue behind the host's back-off (or the wait it asked for), no worker waits and no
// attempt is used (there is one), and a row the host keeps refusing ends "RESULT ERROR" saying so.
// A wait asked for beyond the longest learnt interval is not kept: the row ends at once. Time is
// the test's clock; what is counted is the host's requests.
TEST_F(RdapCheckTest, ThrottledAndFailingAnswersWaitInTheHostsQueueUntilTheHostKeepsRefusing)
{
    struct TCase
    {
        const char* Name;
        std::vector<TResponse> Responses;
        const char* Availability;
        int Requests;
        std::uint64_t GapMs; // from the first start to the second
        const char* EntryStart;
        const char* InEntry;
    };
    const TResponse taken{200, TakenBody, {}, false, 0};
    const TCase cases[] = {
        {"busy.com", {{429, "{}", {}, false, 0}, taken}, "NO", 2, TLearntPace::FirstRefusalMs, "", "ldhName"},
        {"asks.com", {{429, "{}", {{"Retry-After", "3"}}, false, 0}, taken}, "NO", 2, 3000, "", "ldhName"},
        {"down.com",
         {{503, "<html>down</html>", {}, false, 0}},
         "RESULT ERROR",
         TCheckDispatcher::MaxRefusals,
         TLearntPace::FirstRefusalMs,
         "The host kept refusing (10 times in ",
         "503"},
        {"later.com",
         {{503, "", {{"Retry-After", "Wed, 21 Oct 2099 07:28:00 GMT"}}, false, 0}},
         "RESULT ERROR",
         1,
         0,
         "",
         "before the next query"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TFakeRdapServer rdap(*Certificates);
        rdap.SetResponses(TFakeRdapServer::DomainPath(c.Name), c.Responses);
        TCheckRig rig;
        std::uint64_t now = 100000;
        StartDriven(rig, 43, "[TLD]\ncom=" + rdap.BaseUrl() + "\n", 2, 1, now, {c.Name}, Options());
        TDrivenPass pass{rig, now, {}};
        ASSERT_TRUE(pass.Run());
        EXPECT_EQ(rig.Slot(c.Name, SlotAvailability), c.Availability);
        EXPECT_EQ(rdap.RequestCount(TFakeRdapServer::DomainPath(c.Name)), c.Requests);
        ASSERT_EQ(pass.Starts.size(), static_cast<std::size_t>(c.Requests));
        if (c.Requests > 1) {
            EXPECT_EQ(pass.Starts[1] - pass.Starts[0], c.GapMs);
        }
        const std::string entry = rig.Answer(c.Name);
        EXPECT_EQ(entry.rfind(c.EntryStart, 0), 0u) << entry;
        EXPECT_NE(entry.find(c.InEntry), std::string::npos) << entry;
    }
    std::lock_guard lock(BackOffs->Mutex);
    EXPECT_TRUE(BackOffs->Ms.empty()) << "a worker waited";
}

TEST_F(RdapCheckTest, ASavedProjectKeepsTheRdapRowsAndTheirAnswers)
{
    TFakeRdapServer rdap(*Certificates);
    rdap.SetResponse(TFakeRdapServer::DomainPath("taken.com"), {200, TakenBody, {}, false, 0});
    rdap.SetResponse(TFakeRdapServer::DomainPath("down.com"), {200, "<html>down</html>", {}, false, 0});
    Rig.WriteConfig("[TLD]\ncom=" + rdap.BaseUrl() + "\n");
    Rig.Start(43, 10, 1, 1, Options());
    Rig.Generate({"taken.com", "free.com", "down.com"});
    ASSERT_TRUE(Rig.RunPass(30000));

    TXMLSaveLoad store;
    TProjectData saved;
    saved.Rows = Rig.Model.AllRows();
    saved.AnswerLog = Rig.Model.AnswerLog();
    const std::string file = Rig.Dir.File("rdap.prj.xml");
    ASSERT_TRUE(SaveProject(store, file, saved)) << store.LastError();

    TXMLSaveLoad reader;
    const std::optional<TProjectData> opened = LoadProject(reader, file);
    ASSERT_TRUE(opened.has_value());
    TDomainTableModel model;
    model.SetContents(opened->Rows, opened->AnswerLog);
    ASSERT_EQ(model.RowCount(), 3);
    for (int row = 0; row < 3; ++row) {
        SCOPED_TRACE(model.Caption(row));
        for (int slot : {SlotAvailability, SlotRegistrar, SlotWhoisServer, SlotExpires})
            EXPECT_EQ(model.Slot(row, slot), Rig.Model.Slot(row, slot));
        const int entry = model.AnswerIndexOf(row);
        ASSERT_GE(entry, 0);
        EXPECT_EQ(model.AnswerLog()[static_cast<std::size_t>(entry)], Rig.Answer(model.Caption(row)));
    }
    EXPECT_EQ(model.Slot(0, SlotRegistrar), "Régistre <Nord> & Fils");
    EXPECT_EQ(model.Slot(2, SlotAvailability), "RESULT ERROR");
}

TEST_F(RdapCheckTest, AbandonedRdapWorkersLeaveTheNetworkAtOnce)
{
    TFakeRdapServer rdap(*Certificates);
    rdap.SetResponse(TFakeRdapServer::DomainPath("hang1.com"), {200, "", {}, true, 0});
    rdap.SetResponse(TFakeRdapServer::DomainPath("hang2.com"), {200, "", {}, true, 0});
    Rig.WriteConfig("[TLD]\ncom=" + rdap.BaseUrl() + "\n");
    auto now = std::make_shared<std::atomic<std::uint64_t>>(0);
    // The query's own bound is far away: only the abandon can end these workers in time.
    TCheckOptions options = Options(600000);
    options.Clock = [now] { return now->load(); };
    options.WatchdogBudgetMs = 1000;
    Rig.Start(43, 10, 1, 1, options);
    Rig.Generate({"hang1.com", "hang2.com"});
    Rig.Dispatcher->StartAll();
    ASSERT_TRUE(Rig.WaitUntil([&] { return rdap.TotalRequests() == 2; }));

    // Both run over their budget: the watchdog gives them up, they end, and their replacements
    // ask again.
    now->store(5000);
    ASSERT_TRUE(Rig.WaitUntil([&] { return rdap.TotalRequests() == 4; }));
    EXPECT_EQ(Rig.Beeps, 2);
    const std::shared_ptr<TWorkerHub> hub = TCheckDispatcherProbe(*Rig.Dispatcher).Hub();
    ASSERT_TRUE(Rig.WaitUntil([&] { return hub->LiveThreads.load() == 2; }));
    EXPECT_EQ(Rig.Dispatcher->RunningCount(), 2);
    // The two waiting queries keep the program from ending by an ordinary return.
    EXPECT_TRUE(Rig.WaitUntil([&] { return Rig.Dispatcher->LiveWorkerThreads() == 4; }));

    // Closing the window abandons the rest; they end without an answer and write nothing.
    Rig.Dispatcher.reset();
    EXPECT_TRUE(Rig.WaitUntil([&] { return hub->LiveThreads.load() == 0; }));
    EXPECT_EQ(Rig.Slot("hang1.com", SlotAvailability), "");
}

TEST_F(RdapCheckTest, NoMoreChecksRunOnAnRdapHostThanItHasConnectionsAndOtherHostsGoOn)
{
    TFakeRdapServer rdap(*Certificates);
    // Every answer waits for the test to let it go.
    TResponse held{404, R"({"errorCode":404})", {}, false, 0};
    held.Held = true;
    rdap.SetDefaultResponse(held);
    // Pacing keys on the host name: the WHOIS host needs an address of its own.
    TFakeWhoisServer whois("127.0.0.2", 0);
    whois.SetDefaultReply({TFakeWhoisServer::TBehaviour::Answer, "No match for \"X\".\r\n", 0});
    Rig.WriteConfig("[TLD]\ncom=" + rdap.BaseUrl() + "\nnet=127.0.0.2\n[127.0.0.2]\nnot_found_strings=No match for\n");
    Rig.Start(whois.Port(), 20, 1, TCheckRig::ManualTicks, Options());
    std::vector<std::string> names;
    for (int i = 0; i < 10; ++i)
        names.push_back("name" + std::to_string(i) + ".com");
    names.push_back("other.net");
    names.push_back("more.net");
    Rig.Generate(names);
    TCheckDispatcherProbe probe(*Rig.Dispatcher);
    Rig.Dispatcher->StartAll();
    for (std::size_t i = 0; i < names.size(); ++i)
        probe.DispatcherTick();
    ASSERT_TRUE(Rig.WaitUntil([&] { return rdap.HeldCount() == TRdapClient::ConnectionsPerHost; }));

    // Six checks hold the RDAP host's connections; the other four rows wait without a worker, and
    // the WHOIS rows behind them were checked meanwhile.
    EXPECT_EQ(Rig.Dispatcher->NextRow(), static_cast<int>(names.size()));
    EXPECT_EQ(Rig.Dispatcher->WaitingCount(), 4);
    ASSERT_TRUE(Rig.WaitUntil([&] { return Rig.Dispatcher->RunningCount() == TRdapClient::ConnectionsPerHost; }));
    EXPECT_EQ(Rig.Slot("other.net", SlotAvailability), "YES");
    EXPECT_EQ(Rig.Slot("more.net", SlotAvailability), "YES");
    // Each answer let go makes room for one waiting row, as its worker ends.
    ASSERT_TRUE(Rig.WaitUntil([&] {
        rdap.Release();
        return Rig.Finished;
    }));
    EXPECT_EQ(rdap.MostUnanswered(), TRdapClient::ConnectionsPerHost);
    for (const std::string& name : names)
        EXPECT_EQ(Rig.Slot(name, SlotAvailability), "YES") << name;
    EXPECT_EQ(rdap.TotalRequests(), 10);
}

TEST_F(RdapCheckTest, AWhoisHostThatCannotBeReachedLeavesTheNameToTheRdapService)
{
    TFakeRdapServer rdap(*Certificates);
    rdap.SetResponse(TFakeRdapServer::DomainPath("taken.com"), {200, TakenBody, {}, false, 0});
    TFakeWhoisServer whois("127.0.0.1", 0);
    whois.SetDefaultReply({TFakeWhoisServer::TBehaviour::Answer, "No match for \"X\".\r\n", 0});
    // Nothing listens on 127.0.0.3: its connections are refused. .org has no RDAP service. The host
    // has a section of its own, so WHOIS goes first.
    Rig.WriteConfig("[TLD]\ncom=127.0.0.3\norg=127.0.0.3\nnet=127.0.0.1\n[127.0.0.1]\nnot_found_strings=No match "
                    "for\n[127.0.0.3]\nnot_found_strings=No match for\n");
    Rig.Dir.Write("rdap-dns.json",
                  R"({"version": "1.0", "services": [[["com", "net"], [")" + rdap.BaseUrl() + R"("]]]})");
    Rig.Start(whois.Port(), 10, 2, 1, Options());
    Rig.Generate({"taken.com", "free.com", "free.net", "lost.org"});
    ASSERT_TRUE(Rig.RunPass(30000));

    EXPECT_EQ(Rig.Slot("taken.com", SlotAvailability), "NO");
    EXPECT_EQ(Rig.Slot("taken.com", SlotRegistrar), "Régistre <Nord> & Fils");
    EXPECT_EQ(Rig.Slot("free.com", SlotAvailability), "YES");
    for (const char* name : {"taken.com", "free.com"}) {
        SCOPED_TRACE(name);
        const std::string entry = Rig.Answer(name);
        EXPECT_EQ(entry.rfind("The WHOIS host 127.0.0.3 port " + std::to_string(whois.Port()) +
                                  " could not be reached: Connection refused; the RDAP service " + rdap.BaseUrl() +
                                  " was asked instead.\r\n",
                              0),
                  0u)
            << entry;
        EXPECT_EQ(rdap.RequestCount(TFakeRdapServer::DomainPath(name)), 1);
    }
    EXPECT_NE(Rig.Answer("taken.com").find("\"ldhName\": \"taken.com\""), std::string::npos);
    // A WHOIS host that answers keeps the name, though RDAP could have been asked.
    EXPECT_EQ(Rig.Slot("free.net", SlotAvailability), "YES");
    EXPECT_EQ(whois.RequestCount("free.net"), 1);
    EXPECT_EQ(rdap.RequestCount(TFakeRdapServer::DomainPath("free.net")), 0);
    // Without an RDAP service the unreachable host's row is an error, as before.
    EXPECT_EQ(Rig.Slot("lost.org", SlotAvailability), "RESULT ERROR");
    EXPECT_EQ(rdap.TotalRequests(), 2);
}

// An RDAP query through a proxy that fails (one that takes the connection and never answers, one
// that refuses its password) fails over like a WHOIS query: the proxy rests, the name goes
// through the next one, and the trail names what each failed proxy did.
TEST_F(RdapCheckTest, AnRdapQueryThroughAFailedProxyGoesThroughAnother)
{
    TFakeRdapServer rdap(*Certificates);
    rdap.SetResponse(TFakeRdapServer::DomainPath("taken.com"), {200, TakenBody, {}, false, 0});
    THangUpListener blackHole(THangUpListener::TMode::Hold);
    TMicrosocksServer guarded("quarrow", "s3cret");
    TMicrosocksServer working;
    ASSERT_TRUE(guarded.Started()) << guarded.Failure();
    ASSERT_TRUE(working.Started()) << working.Failure();
    Rig.WriteConfig("[TLD]\ncom=" + rdap.BaseUrl() + "\n");
    TCheckOptions options = Options();
    options.Rdap.NegotiationTimeoutMs = 300;
    std::uint64_t now = 90000;
    options.Clock = [&now] { return now; };
    Rig.Start(43, 1, 2, 1, options);
    const auto socks5 = [](int port, const std::string& userInfo) {
        std::string error;
        return ParseProxyUrl("socks5://" + userInfo + "127.0.0.1:" + std::to_string(port), error).value();
    };
    TEngineSettings settings = Rig.Dispatcher->Settings();
    settings.Proxy = socks5(blackHole.Port(), "");
    settings.FurtherProxies = {socks5(guarded.Port(), "quarrow:wrong@"), socks5(working.Port(), "")};
    Rig.Dispatcher->LoadSettings(settings);
    Rig.Generate({"taken.com"});
    ASSERT_TRUE(Rig.RunPass(30000));

    EXPECT_EQ(Rig.Slot("taken.com", SlotAvailability), "NO");
    EXPECT_EQ(rdap.RequestCount(TFakeRdapServer::DomainPath("taken.com")), 1);
    // Each failed proxy was asked once: its failure ended the check at once, attempts unused.
    EXPECT_EQ(blackHole.Connections(), 2); // Qt's connection and the check of the proxy alone
    for (std::size_t proxy : {0u, 1u})
        EXPECT_EQ(Rig.Dispatcher->ProxyRestsUntil(proxy), now + TCheckDispatcher::FirstRestMs) << proxy;
    const std::string entry = Rig.Answer("taken.com");
    EXPECT_NE(entry.find("The proxy socks5://127.0.0.1:" + std::to_string(blackHole.Port()) +
                         " did not complete the SOCKS negotiation within 300 ms"),
              std::string::npos)
        << entry;
    EXPECT_NE(entry.find("The proxy socks5://quarrow@127.0.0.1:" + std::to_string(guarded.Port()) + " failed"),
              std::string::npos)
        << entry;
    EXPECT_NE(entry.find("Asked through socks5://127.0.0.1:" + std::to_string(working.Port()) + "\r\n"),
              std::string::npos)
        << entry;
    EXPECT_EQ(entry.find("wrong"), std::string::npos) << entry;
}

// A WHOIS host without a section of its own gives way to the TLD's RDAP service; it is asked only
// when RDAP brings no verdict, and the answers entry says which was asked. --whois-only and
// --rdap-only keep to their one way.
TEST_F(RdapCheckTest, AWhoisHostWithoutASectionOfItsOwnIsAskedOnlyWhenRdapFails)
{
    TFakeRdapServer rdap(*Certificates);
    const auto path = &TFakeRdapServer::DomainPath;
    rdap.SetResponse(path("taken.com"), {200, TakenBody, {}, false, 0});
    rdap.SetResponse(path("down.com"), {503, "<html>down</html>", {}, false, 0});
    rdap.SetResponse(path("page.com"), {200, "<html>welcome</html>", {}, false, 0});
    TFakeWhoisServer whois("127.0.0.1", 0);
    whois.SetDefaultReply({TFakeWhoisServer::TBehaviour::Answer, "Domain Name: X\r\nRegistrar: Port Reg\r\n", 0});
    const std::string config = "[TLD]\ncom=127.0.0.1\n";
    const std::string bootstrap = R"({"version": "1.0", "services": [[["com"], [")" + rdap.BaseUrl() + R"("]]]})";
    Rig.WriteConfig(config);
    Rig.Dir.Write("rdap-dns.json", bootstrap);
    Rig.Start(whois.Port(), 10, 2, 1, Options());
    Rig.Generate({"taken.com", "free.com", "down.com"});
    ASSERT_TRUE(Rig.RunPass(30000));

    const std::string why = "The server table has no section for the WHOIS host 127.0.0.1, so the RDAP service " +
                            rdap.BaseUrl() + " was asked";
    EXPECT_EQ(Rig.Slot("taken.com", SlotAvailability), "NO");
    EXPECT_EQ(Rig.Slot("taken.com", SlotRegistrar), "Régistre <Nord> & Fils");
    EXPECT_EQ(Rig.Slot("free.com", SlotAvailability), "YES");
    for (const char* name : {"taken.com", "free.com"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Rig.Answer(name).rfind(why + ".\r\n", 0), 0u) << Rig.Answer(name);
        EXPECT_EQ(whois.RequestCount(name), 0);
    }
    // RDAP was down: with a WHOIS host beside it that is asked at once, and its answer is read as
    // well as the table can; the entry shows both.
    EXPECT_EQ(rdap.RequestCount(path("down.com")), 1);
    EXPECT_EQ(whois.RequestCount("down.com"), 1);
    const std::string down = Rig.Answer("down.com");
    EXPECT_EQ(down.rfind(why + " first. It gave no verdict:\r\n", 0), 0u) << down;
    EXPECT_NE(down.find("503"), std::string::npos) << down;
    EXPECT_NE(down.find("The WHOIS host 127.0.0.1 was asked instead.\r\nDomain Name: X\r\nRegistrar: Port Reg"),
              std::string::npos)
        << down;

    for (const TServerPreference preference : {TServerPreference::WhoisOnly, TServerPreference::RdapOnly}) {
        const bool whoisOnly = preference == TServerPreference::WhoisOnly;
        SCOPED_TRACE(whoisOnly ? "--whois-only" : "--rdap-only");
        const int rdapBefore = rdap.TotalRequests();
        const int whoisBefore = whois.RequestCount("page.com");
        TCheckRig rig;
        rig.WriteConfig(config);
        rig.Dir.Write("rdap-dns.json", bootstrap);
        TCheckOptions options = Options();
        options.ServerPreference = preference;
        rig.Start(whois.Port(), 10, 1, 1, options);
        rig.Generate({"page.com"});
        ASSERT_TRUE(rig.RunPass(30000));
        EXPECT_EQ(rdap.TotalRequests() - rdapBefore, whoisOnly ? 0 : 1);
        EXPECT_EQ(whois.RequestCount("page.com") - whoisBefore, whoisOnly ? 1 : 0);
        EXPECT_EQ(rig.Answer("page.com").find("no section"), std::string::npos) << rig.Answer("page.com");
        if (!whoisOnly) {
            EXPECT_EQ(rig.Slot("page.com", SlotAvailability), "RESULT ERROR");
        }
    }
}

TEST_F(RdapCheckTest, ASocks4ProxyGivesAnErrorRowWithoutAnyQuery)
{
    TFakeRdapServer rdap(*Certificates);
    Rig.WriteConfig("[TLD]\ncom=" + rdap.BaseUrl() + "\n");
    Rig.Start(43, 10, 3, 1, Options());
    TEngineSettings settings = Rig.Dispatcher->Settings();
    settings.Proxy.UseProxy = true;
    settings.Proxy.SOCKS = 2;
    settings.Proxy.Server = "127.0.0.1";
    settings.Proxy.Port = "1";
    Rig.Dispatcher->LoadSettings(settings);
    Rig.Generate({"free.com"});
    ASSERT_TRUE(Rig.RunPass());
    EXPECT_EQ(Rig.Slot("free.com", SlotAvailability), "RESULT ERROR");
    EXPECT_NE(Rig.Answer("free.com").find("SOCKS 5"), std::string::npos) << Rig.Answer("free.com");
    EXPECT_EQ(rdap.TotalRequests(), 0);
}

} // namespace

TEST_F(RdapCheckTest, InternationalNamesAreAskedInALabelsAndBadOnesNotAtAll)
{
    TFakeRdapServer rdap(*Certificates);
    TFakeWhoisServer whois("127.0.0.1", 0);
    whois.SetDefaultReply({TFakeWhoisServer::TBehaviour::Answer, "   Registrar: Reg\r\n", 0});
    whois.SetAnswer("xn--strae-oqa.de", "No match for \"XN--STRAE-OQA.DE\".\r\n");
    rdap.SetResponse(TFakeRdapServer::DomainPath("xn--caf-dma.com"), {200, TakenBody, {}, false, 0});
    // The top-level domain of a name in U-labels is looked up under its A-label.
    Rig.WriteConfig("[TLD]\ncom=" + rdap.BaseUrl() +
                    "\nde=127.0.0.1\nxn--p1ai=127.0.0.1\n[127.0.0.1]\nnot_found_strings=No match for \"%DOMAIN%\".\n"
                    "registrar_string=Registrar:\n");
    Rig.Start(whois.Port(), 10, 1, 1, Options());
    const std::vector<std::string> refused = {"xn--zz--.de",     "xn--zz--.com",       "p\xD0\xB0ypal.com",
                                              "1שלום.de",        "ab\x01\xC3\xBC.com", "\xF0\x9F\x92\xA9.de",
                                              "caf\xC3\xA9.com."};
    std::vector<std::string> names = {"Straße.de", "café.com", "кафе.рф"};
    names.insert(names.end(), refused.begin(), refused.end());
    Rig.Generate(names);
    ASSERT_TRUE(Rig.RunPass(30000));

    EXPECT_EQ(Rig.Slot("Straße.de", SlotAvailability), "YES");
    EXPECT_EQ(Rig.Slot("café.com", SlotAvailability), "NO");
    EXPECT_EQ(Rig.Slot("café.com", SlotRegistrar), "Régistre <Nord> & Fils");
    EXPECT_EQ(Rig.Slot("кафе.рф", SlotAvailability), "NO");
    std::vector<std::string> asked = whois.Requests();
    std::sort(asked.begin(), asked.end());
    EXPECT_EQ(asked, (std::vector<std::string>{"xn--80akn5b.xn--p1ai\r\n", "xn--strae-oqa.de\r\n"}));
    EXPECT_EQ(rdap.TotalRequests(), 1);
    EXPECT_EQ(rdap.RequestCount(TFakeRdapServer::DomainPath("xn--caf-dma.com")), 1);
    for (const std::string& name : refused) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Rig.Slot(name, SlotAvailability), "RESULT ERROR");
        EXPECT_EQ(Rig.Answer(name).rfind("Not sent to any WHOIS server: ", 0), 0u) << Rig.Answer(name);
    }
    EXPECT_NE(Rig.Answer("xn--zz--.de").find("no valid A-label"), std::string::npos);
    EXPECT_NE(Rig.Answer("p\xD0\xB0ypal.com").find("mixes scripts"), std::string::npos);
    EXPECT_NE(Rig.Answer("1שלום.de").find("right-to-left"), std::string::npos);
    EXPECT_NE(Rig.Answer("\xF0\x9F\x92\xA9.de").find("U+1F4A9"), std::string::npos);
}
