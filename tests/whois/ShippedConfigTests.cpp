#include "core/ExpiryDate.h"
#include "settings/ConfigKeys.h"
#include "settings/IniFile.h"
#include "whois/AnswerText.h"
#include "whois/HostStrings.h"
#include "whois/ResponseText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <ostream>
#include <set>

namespace {

const std::string ShippedConfig = std::string(QUARROW_SOURCE_DATA_DIR) + "/mvwhois.ini";
const std::string ShippedMasks = std::string(QUARROW_SOURCE_DATA_DIR) + "/datemask.ini";

std::string HostOf(const std::string& domain)
{
    return TIniFile(ShippedConfig)
        .ReadString(std::string(ConfigKeys::TldSection), domain.substr(domain.rfind('.') + 1),
                    std::string(ConfigKeys::FallbackWhoisHost));
}

std::string Label(std::string_view key, const std::string& answer, const std::string& host)
{
    std::string value;
    EXPECT_TRUE(ExtractLabelledValue(std::string(key), answer, host, value, ShippedConfig));
    return value;
}

// The free verdict as result application makes it, refusals first.
bool LooksFree(const std::string& answer, const std::string& domain)
{
    return THostStrings::Load(ShippedConfig, HostOf(domain)).Read(TAnswerText(answer), domain).Kind ==
           TAnswerReading::TKind::Free;
}

std::string ReadWhole(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << path;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Fixture(const std::string& name)
{
    return ReadWhole(std::string(QUARROW_TEST_DATA_DIR) + "/whois/" + name);
}

bool IsALabel(const std::string& tld)
{
    return !tld.empty() && tld.front() != '-' && tld.back() != '-' && std::all_of(tld.begin(), tld.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
    });
}

// The hosts of the recorded real answers: each has a section, though no top-level domain names
// the registrars' own hosts among them.
std::set<std::string> RecordedHosts()
{
    std::vector<std::string> lines;
    SplitLines(ReadWhole(std::string(QUARROW_TEST_DATA_DIR) + "/registry-answers/answers.tsv"), lines);
    std::set<std::string> hosts;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::size_t tab = lines[i].find('\t');
        hosts.insert(lines[i].substr(tab + 1, lines[i].find('\t', tab + 1) - tab - 1));
    }
    return hosts;
}

TEST(ShippedConfigTest, EveryTopLevelDomainOnceAndEveryHostSectionNamedOrRecorded)
{
    const TIniFile ini(ShippedConfig);
    const std::vector<std::string> tlds = ini.ReadSection("TLD");
    // IANA's root zone has about 1,290 top-level domains with a WHOIS host.
    EXPECT_GE(tlds.size(), 1250u);
    std::set<std::string> seen;
    std::set<std::string> usedHosts;
    for (const std::string& tld : tlds) {
        EXPECT_TRUE(seen.insert(tld).second) << tld << " listed twice";
        EXPECT_TRUE(IsALabel(tld)) << tld;
        usedHosts.insert(ini.ReadString("TLD", tld, ""));
    }
    for (const char* idn : {"xn--p1ai", "xn--fiqs8s"})
        EXPECT_TRUE(seen.count(idn)) << idn;
    const std::set<std::string> recorded = RecordedHosts();
    std::vector<std::string> lines;
    SplitLines(ReadWhole(ShippedConfig), lines);
    for (const std::string& line : lines) {
        if (line.size() <= 2 || line.front() != '[' || line == "[TLD]" || line == "[*]")
            continue;
        // A host section that nothing names is a typing error in one of the two names, or a section
        // kept under the host name of a recording rather than the one its key uses.
        const std::string host = line.substr(1, line.size() - 2);
        // Hosts reached under another name: IANA's name for .org's host, .ca's referral backend.
        const bool otherName = host == "whois.publicinterestregistry.org" || host == "whois.ca.fury.ca";
        EXPECT_TRUE(usedHosts.count(host) || recorded.count(host) || otherName)
            << line << " is named by no top-level domain";
        const std::vector<std::string> keys = ini.ReadSection(host);
        for (std::string_view key : {ConfigKeys::NotFoundStrings, ConfigKeys::WhoisServerString,
                                     ConfigKeys::RegistrarString, ConfigKeys::ExpiresString})
            EXPECT_NE(std::find(keys.begin(), keys.end(), key), keys.end()) << host << " lacks " << key;
    }
}

// A host whose recorded taken answer has the layout of the ICANN registry agreement reads it as the
// one shared set of labels does, with its own section or the fallback's.
TEST(ShippedConfigTest, RegistriesOfTheCommonLayoutShareOneSetOfLabels)
{
    std::vector<std::string> lines;
    SplitLines(ReadWhole(std::string(QUARROW_TEST_DATA_DIR) + "/registry-answers/answers.tsv"), lines);
    int common = 0;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string file = lines[i].substr(0, lines[i].find('\t'));
        const std::string host = file.substr(0, file.find('/'));
        if (file.find("status_registered") == std::string::npos)
            continue;
        const std::string answer = ReadWhole(std::string(QUARROW_TEST_DATA_DIR) + "/registry-answers/" + file);
        if (answer.find("Registry Domain ID:") == std::string::npos ||
            answer.find("Registry Expiry Date:") == std::string::npos)
            continue;
        ++common;
        const THostStrings strings = THostStrings::Load(ShippedConfig, host);
        EXPECT_EQ(ValueOfFirstLabel(strings.Registrar, answer), ValueAfterLastLabel("Registrar:", answer)) << host;
        EXPECT_EQ(ValueOfFirstLabel(strings.WhoisServer, answer),
                  ValueAfterLastLabel("Registrar WHOIS Server:", answer))
            << host;
        EXPECT_EQ(ValueOfFirstLabel(strings.Expires, answer), ValueAfterLastLabel("Registry Expiry Date:", answer))
            << host;
    }
    EXPECT_GE(common, 10);
}

struct TShippedFixture
{
    const char* File;
    const char* Domain;
    bool Free;
    const char* Registrar;
    const char* Referral;
    const char* Expires; // yyyy-mm-dd as the shipped date masks read it, or empty
};

// Invented names in the real layouts of the registries' answers, free and taken.
const TShippedFixture Fixtures[] = {
    {"com-free.txt", "velvetquarry.com", true, "", "", ""},
    {"com-taken.txt", "lanternmoss.com", false, "Harbourlight Registrar, LLC", "whois.harbourlight-registrar.example",
     "2027-03-14"},
    {"uk-free.txt", "quietharbour.co.uk", true, "", "", ""},
    {"uk-taken.txt", "copperlane.co.uk", false, "Fernbrook Hosting Ltd [Tag = FERNBROOK]", "", "2027-02-02"},
    {"de-free.txt", "kupferkanne.de", true, "", "", ""},
    {"de-taken.txt", "wolkenband.de", false, "", "", ""},
    {"ru-free.txt", "zelenymost.ru", true, "", "", ""},
    {"ru-taken.txt", "zelenymost.ru", false, "NORDREG-RU", "", "2026-11-23"},
    {"eu-free.txt", "sunnyquay.eu", true, "", "", ""},
    {"eu-taken.txt", "bluefjord.eu", false, "Tidewater Domains BV", "", ""},
};

void PrintTo(const TShippedFixture& fixture, std::ostream* out)
{
    *out << fixture.File;
}

class ShippedAnswerTest : public testing::TestWithParam<std::tuple<TShippedFixture, bool>>
{
};

// Verisign and Nominet answer with CR LF, others with LF: every fixture is read both ways.
TEST_P(ShippedAnswerTest, VerdictAndLabelledValues)
{
    const auto& [fixture, crlf] = GetParam();
    std::string answer = Fixture(fixture.File);
    if (crlf)
        answer = ReplaceAll(answer, "\n", "\r\n");
    const std::string host = HostOf(fixture.Domain);
    EXPECT_EQ(LooksFree(answer, fixture.Domain), fixture.Free);
    EXPECT_EQ(THostStrings::Load(ShippedConfig, host).RefusalIn(answer, fixture.Domain), "");
    if (fixture.Free)
        return;
    EXPECT_EQ(Label(ConfigKeys::RegistrarString, answer, host), fixture.Registrar);
    EXPECT_EQ(Label(ConfigKeys::WhoisServerString, answer, host), fixture.Referral);
    const std::string expiry = Label(ConfigKeys::ExpiresString, answer, host);
    EXPECT_EQ(IsoDateFromDayNumber(ParseExpiryDate(expiry, LoadDateMasks(ShippedMasks))), fixture.Expires)
        << "expiry text \"" << expiry << "\"";
}

INSTANTIATE_TEST_SUITE_P(Fixtures, ShippedAnswerTest, testing::Combine(testing::ValuesIn(Fixtures), testing::Bool()),
                         [](const testing::TestParamInfo<ShippedAnswerTest::ParamType>& param) {
                             std::string name = std::get<0>(param.param).File;
                             name = name.substr(0, name.find('.'));
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name + (std::get<1>(param.param) ? "_crlf" : "_lf");
                         });

// Answers that contain a word of a short not-found text without being free.
TEST(ShippedConfigTest, NotFoundTextsAvoidTheKnownTraps)
{
    EXPECT_TRUE(LooksFree("Domain:\tx.be\nStatus:\tAVAILABLE\n", "x.be"));
    EXPECT_FALSE(LooksFree("Domain:\tx.be\nStatus:\tNOT AVAILABLE\n", "x.be"));
    EXPECT_FALSE(LooksFree("%% Too many requests...\n%% No entries found in the AFNIC Database.\n", "x.fr"));
    EXPECT_FALSE(LooksFree("Domain:             x.it\nStatus:             UNASSIGNABLE\n", "x.it"));
    // The query quota answer names the domain but is no verdict.
    EXPECT_FALSE(LooksFree("Error for \"x.co.uk\".\r\n\r\nThe WHOIS query quota for 127.0.0.1 has been exceeded\r\n",
                           "x.co.uk"));
    // A name is not free because the echoed text of another name is.
    EXPECT_FALSE(LooksFree(Fixture("com-free.txt"), "quarry.com"));
}

// The refusals and throttle pages registries are known to send: each is asked again, never
// read as a verdict.
TEST(ShippedConfigTest, KnownRefusalsAreNoAnswers)
{
    const std::pair<const char*, const char*> refusals[] = {
        {"x.co.uk", "Error for \"x.co.uk\".\r\n\r\nThe WHOIS query quota for 2001:db8::1 has been exceeded and will "
                    "be replenished in 3600 seconds.\r\n"},
        {"x.de", "% Error: 55000000002 Connection refused; access control limit reached.\n"},
        {"x.fr", "%% Too many requests...\n%% No entries found in the AFNIC Database.\n"},
        {"x.eu", "-1: Still in grace period, wait 10 seconds\n"},
        {"x.nl", "only 1 request per second allowed, try again later\n"},
        {"x.nl", "daily whois-limit exceeded for client 192.0.2.1\n"},
        {"x.be", "Excessive querying, grace period of 60 seconds\n"},
        {"x.pl", "request limit exceeded for 192.0.2.1\n"},
        {"x.cz", "Your connection limit exceeded. Please slow down and try again later.\n"},
        {"x.org", "WHOIS LIMIT EXCEEDED - SEE WWW.PIR.ORG/WHOIS FOR DETAILS\n"},
        {"x.dk", "# Too many connections.\n"},
        {"x.it", "Service temporarily unavailable.\n"},
        {"x.com.br", "% Query rate limit exceeded. Reduced information.\n% No match for x.com.br\n"},
        {"x.com", "Sorry, the Whois database is currently down.\r\n"},
        {"x.io", "TLD is not supported.\r\n"},
        {"x.se", "Service busy, come back soon\n"},
    };
    for (const auto& [domain, text] : refusals)
        EXPECT_NE(THostStrings::Load(ShippedConfig, HostOf(domain)).RefusalIn(text, domain), "") << text;
}

} // namespace
