// Every recorded answer of a real registry (tests/data/registry-answers, MIT, see LICENSE there)
// read with the shipped server table and date masks, through result application as a check
// applies it. The collection's maintainers read each answer's registrar and expiry by hand; the
// domain column was added here (the name each answer was asked for, or its collection's usual
// probe name where the answer does not echo it).
//
// An answer is read the way a check reaches it: through its top-level domain's key in [TLD], so
// the section that reads it is the one under the host name the key uses. A second reading removes
// every host's own section, so that the fallback section alone reads them all: the measure of how
// the table reads a registry it has never seen. Both scores are printed.
#include "core/ExpiryDate.h"
#include "engine/ResultApplier.h"
#include "engine/ResultReader.h"
#include "engine/SyncSendResult.h"
#include "models/DomainTableModel.h"
#include "models/ExpiryDateFormat.h"

#include "base/AsciiText.h"
#include "base/WholeFile.h"
#include "settings/ConfigKeys.h"
#include "settings/IniFile.h"
#include "settings/TldTable.h"
#include "support/TempDir.h"
#include "whois/HostStrings.h"
#include "whois/ResponseText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <sstream>

namespace {

const std::string AnswersDir = std::string(QUARROW_TEST_DATA_DIR) + "/registry-answers/";
const std::string ShippedConfig = std::string(QUARROW_SOURCE_DATA_DIR) + "/mvwhois.ini";
const std::string ShippedMasks = std::string(QUARROW_SOURCE_DATA_DIR) + "/datemask.ini";

struct TRecorded
{
    std::string File;
    std::string Host;
    std::string Status; // free, taken, throttled, reserved, invalid, ...
    std::string Available;
    std::string RegistrarName;
    std::string RegistrarOrganization;
    std::string Expires; // yyyy-mm-dd or empty
    std::string Domain;
    std::string Tld;
};

std::vector<TRecorded> ReadIndex()
{
    const TWholeFile index = ReadWholeFile(AnswersDir + "answers.tsv", 1 << 20);
    EXPECT_TRUE(index.Loaded()) << index.Error;
    std::vector<std::string> lines;
    SplitLines(index.View(), lines);
    std::vector<TRecorded> rows;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        std::vector<std::string> fields;
        std::stringstream in(lines[i]);
        for (std::string field; std::getline(in, field, '\t');)
            fields.push_back(field);
        fields.resize(9);
        rows.push_back(
            {fields[0], fields[1], fields[3], fields[4], fields[5], fields[6], fields[7], fields[8], fields[2]});
    }
    return rows;
}

// Recordings that hold no answer about a name, and one "free" name the registry refuses to
// register; none of them is counted.
const std::map<std::string, std::string> NoAnswers = {
    {"whois.gandi.net/status_available.txt", "an empty recording"},
    {"whois.nic.lk/xn--fzc2c9e2c/status_available.txt", "an empty recording"},
    {"whois.nic.lk/xn--xkc2al3hye2a/status_available.txt", "an empty recording"},
    {"whois.nic.bo/bo/status_available.txt", "the host's refusal of a query outside .bo"},
    {"whois.nic.wed/wed/status_available.txt", "\"Prohibited String - Object Cannot Be Registered\""},
};

// Hosts that no top-level domain's key reaches, whose answers are read under their own name:
// registrars' hosts (reached by referral) and registries of second-level zones a check of the
// top-level domain's host never reaches.
const std::set<std::string> ReachedByReferral = {"whois.markmonitor.com", "whois.cdmon.com", "whois.nic.priv.at"};

// The host a check of the row's name asks, and whose section reads its answer.
std::string HostFor(const TRecorded& row)
{
    const bool secondLevel = row.Tld.empty() || row.Tld.find('.') != std::string::npos;
    if (secondLevel || ReachedByReferral.count(row.Host))
        return row.Host;
    const std::string key =
        TIniFile(ShippedConfig).ReadString(std::string(ConfigKeys::TldSection), TldKey(row.Domain), "");
    // A key left empty keeps the domain off port 43: its registry's WHOIS answers are read as a
    // --whois-only check with the section of the host that sent them.
    return key.empty() || key.find('/') != std::string::npos ? row.Host : key;
}

// The shipped table without any host's own section: the TLD keys and the fallback section only.
std::string FallbackOnlyTable(const TTempDir& dir)
{
    std::vector<std::string> lines;
    SplitLines(ReadWholeFile(ShippedConfig, 1 << 24).View(), lines);
    std::string kept;
    bool keep = true;
    for (const std::string& line : lines) {
        if (!line.empty() && line.front() == '[') {
            const std::string name = line.substr(1, line.find(']') - 1);
            keep = name == ConfigKeys::TldSection || name == ConfigKeys::FallbackSection;
        }
        if (keep)
            kept += line + "\n";
    }
    return dir.Write("mvwhois.ini", kept);
}

struct TReading
{
    std::string Availability;
    std::string Registrar;
    std::string Expires;
    std::string Evidence;
    std::string Entry;
};

TReading Read(const TRecorded& row, const std::string& config, const std::string& host)
{
    static const auto masks = std::make_shared<const TDateMasks>(LoadDateMasks(ShippedMasks));
    const TWholeFile file = ReadWholeFile(AnswersDir + row.File, 1 << 20);
    EXPECT_TRUE(file.Loaded()) << row.File;
    TDomainTableModel model;
    model.AppendGenerated({row.Domain});
    TWhoisAnswers answers;
    answers.Answer = std::string(file.View());
    answers.WhoisServer = host;
    answers.DomainName = row.Domain;
    TSyncSendResult result = TResultReader(config, masks).ReadWhois(answers);
    result.RowIndex = model.IdAt(0);
    const std::string evidence = result.Evidence;
    EXPECT_TRUE(TResultApplier::ApplyResult(model, result));
    const int day = model.ExpiryDay(0);
    return {model.Slot(0, SlotAvailability), model.Slot(0, SlotRegistrar), day > 0 ? IsoDateFromDayNumber(day) : "",
            evidence, model.AnswerLog().empty() ? "" : model.AnswerLog()[0]};
}

// The registrar as read is right when it is the name or organisation the maintainers read, or
// starts with one of them (Nominet adds "[Tag = ...]").
bool SameRegistrar(const std::string& read, const TRecorded& row)
{
    const std::string got = LowerAscii(Trim(read));
    for (const std::string* wanted : {&row.RegistrarName, &row.RegistrarOrganization}) {
        const std::string want = LowerAscii(Trim(*wanted));
        if (!want.empty() && got.compare(0, want.size(), want) == 0)
            return true;
    }
    return false;
}

struct TScore
{
    int Right = 0;
    int Of = 0;
    double Share() const { return Of == 0 ? 1.0 : static_cast<double>(Right) / Of; }
};

struct TScores
{
    TScore Verdict;
    TScore Registrar;
    TScore Expiry;
    int Wrong = 0; // free read "NO", taken read "YES", a throttle page read as either
    int FreeReadNo = 0;
    int Throttled = 0;
    std::string Misses;
};

// Reads every counted row with `config`, each through the host `hostFor` names.
template <typename THostFor> TScores Score(const std::string& config, THostFor hostFor)
{
    TScores scores;
    std::ostringstream misses;
    for (const TRecorded& row : ReadIndex()) {
        if (NoAnswers.count(row.File))
            continue;
        const std::string host = hostFor(row);
        const TReading reading = Read(row, config, host);
        const std::string where = row.File + (host == row.Host ? "" : " (as " + host + ")");
        if (row.Status == "throttled") {
            ++scores.Throttled;
            // A throttle page is never a verdict, whatever it says.
            if (reading.Availability != "RESULT ERROR") {
                ++scores.Wrong;
                misses << "  WRONG    " << where << ": a throttle page read " << reading.Availability << "\n";
            }
            continue;
        }
        if (row.Status != "free" && row.Status != "taken") {
            // Reserved, invalid, suspended names: anything but "free" is right for them, and an
            // answer of an unavailable server is no verdict either.
            if ((row.Available == "False" || row.Status == "unavailable") && reading.Availability == "YES") {
                ++scores.Wrong;
                misses << "  WRONG    " << where << ": " << row.Status << " read YES (" << reading.Evidence << ")\n";
            }
            continue;
        }
        ++scores.Verdict.Of;
        const std::string wanted = row.Status == "free" ? "YES" : "NO";
        if (reading.Availability == wanted) {
            ++scores.Verdict.Right;
        } else {
            const bool wrong = reading.Availability != "RESULT ERROR";
            scores.Wrong += wrong ? 1 : 0;
            scores.FreeReadNo += wanted == "YES" && reading.Availability == "NO" ? 1 : 0;
            misses << (wrong ? "  WRONG    " : "  verdict  ") << where << ": " << reading.Availability << ", not "
                   << wanted << " (" << reading.Evidence << ")\n";
        }
        if (row.Status != "taken")
            continue;
        if (!row.RegistrarName.empty() || !row.RegistrarOrganization.empty()) {
            ++scores.Registrar.Of;
            if (SameRegistrar(reading.Registrar, row))
                ++scores.Registrar.Right;
            else
                misses << "  registrar " << where << ": \"" << reading.Registrar << "\", not \"" << row.RegistrarName
                       << "\" / \"" << row.RegistrarOrganization << "\"\n";
        }
        if (!row.Expires.empty() && row.Expires.size() == 10) {
            ++scores.Expiry.Of;
            if (reading.Expires == row.Expires)
                ++scores.Expiry.Right;
            else
                misses << "  expiry   " << where << ": \"" << reading.Expires << "\", not " << row.Expires << "\n";
        }
    }
    scores.Misses = misses.str();
    return scores;
}

void Print(const char* table, const TScores& scores)
{
    std::printf("%s: free/taken %d of %d (%.1f %%), %d wrong, registrar %d of %d (%.1f %%), expiry %d of %d "
                "(%.1f %%), %d throttled pages, %zu recordings without an answer left out\n%s",
                table, scores.Verdict.Right, scores.Verdict.Of, 100 * scores.Verdict.Share(), scores.Wrong,
                scores.Registrar.Right, scores.Registrar.Of, 100 * scores.Registrar.Share(), scores.Expiry.Right,
                scores.Expiry.Of, 100 * scores.Expiry.Share(), scores.Throttled, NoAnswers.size(),
                scores.Misses.c_str());
}

TEST(RecordedAnswersTest, ShippedTableReadsRealRegistriesThroughTheirKeys)
{
    ASSERT_GE(ReadIndex().size(), 540u);
    const TScores scores = Score(ShippedConfig, HostFor);
    Print("Shipped table", scores);
    EXPECT_EQ(scores.Wrong, 0);
    EXPECT_EQ(scores.FreeReadNo, 0);
    EXPECT_GE(scores.Verdict.Share(), 0.97);
    EXPECT_GE(scores.Registrar.Share(), 0.90);
    EXPECT_GE(scores.Expiry.Share(), 0.90);
    EXPECT_GE(scores.Throttled, 15);
}

TEST(RecordedAnswersTest, FallbackSectionAloneReadsEveryRegistry)
{
    TTempDir dir;
    const std::string table = FallbackOnlyTable(dir);
    ASSERT_FALSE(TIniFile(table).SectionExists("whois.verisign-grs.com"));
    ASSERT_TRUE(TIniFile(table).SectionExists(std::string(ConfigKeys::FallbackSection)));
    const TScores scores = Score(table, HostFor);
    Print("Fallback section alone", scores);
    EXPECT_EQ(scores.Wrong, 0);
    EXPECT_GE(scores.Verdict.Share(), 0.90);
    EXPECT_GE(scores.Registrar.Share(), 0.80);
    EXPECT_GE(scores.Expiry.Share(), 0.85);
}

// .to's taken answer names its name servers in words of its own ("go ns-1.example"): it holds
// neither a not-found text nor a registration field, and says so, with the answer, rather than
// being guessed at or asked again.
TEST(RecordedAnswersTest, AnAnswerWithoutEvidenceIsNoVerdict)
{
    const auto rows = ReadIndex();
    const auto row = std::find_if(rows.begin(), rows.end(), [](const TRecorded& r) {
        return r.File == "whois.tonic.to/to/status_registered.txt";
    });
    ASSERT_NE(row, rows.end());
    const TReading reading = Read(*row, ShippedConfig, HostFor(*row));
    EXPECT_EQ(reading.Availability, "RESULT ERROR");
    const std::string why = "The answer holds neither a not-found text nor a registration field";
    EXPECT_EQ(reading.Evidence, why);
    EXPECT_EQ(reading.Entry.rfind("No verdict: " + why + ".\r\n", 0), 0u) << reading.Entry;
    EXPECT_NE(reading.Entry.find("go ns-1.myphotoalbum.com"), std::string::npos);
    const TWholeFile file = ReadWholeFile(AnswersDir + row->File, 1 << 20);
    EXPECT_EQ(THostStrings::Load(ShippedConfig, HostFor(*row)).RefusalIn(file.View(), row->Domain), "");
}

} // namespace
