// Every recorded answer of a real registry (tests/data/registry-answers, MIT, see LICENSE there)
// read with the shipped server table and date masks, through result application as a check
// applies it. The collection's maintainers read each answer's registrar and expiry by hand; the
// domain column was added here (the name each answer was asked for, or its collection's usual
// probe name where the answer does not echo it).
//
// The score is printed. An answer older than its host's current layout is listed in
// OutdatedLayouts, with why, rather than tuned to: the shipped strings follow what the hosts
// send today.
#include "core/ExpiryDate.h"
#include "engine/ResultApplier.h"
#include "engine/ResultReader.h"
#include "engine/SyncSendResult.h"
#include "models/DomainTableModel.h"
#include "models/ExpiryDateFormat.h"

#include "base/AsciiText.h"
#include "base/WholeFile.h"
#include "whois/ResponseText.h"

#include <gtest/gtest.h>

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
        rows.push_back({fields[0], fields[1], fields[3], fields[4], fields[5], fields[6], fields[7], fields[8]});
    }
    return rows;
}

// Answers whose host has changed its layout since they were recorded (the shipped strings read
// today's answers, so these are not counted against them), and recordings that hold no answer.
const std::map<std::string, std::string> OutdatedLayouts = {
    {"whois.cira.ca/ca/status_available.txt", "2014: \"Domain status: available\"; now \"Not found: %DOMAIN%\""},
    {"whois.cira.ca/ca/status_registered.txt", "2014: registrar in a \"Registrar:\" block; now on the same line"},
    {"whois.denic.de/de/status_registered.txt", "holder and registrar data, no longer shown on port 43"},
    {"whois.dns.pt/pt/status_available.txt", "\"no match\" before \"No entries found\""},
    {"whois.nic.ai/ai/status_available.txt", "2014: \"not registred.\"; now the Identity Digital layout"},
    {"whois.nic.cl/cl/status_available.txt", "\"no existe\" before \"no entries found\""},
    {"whois.register.bg/bg/status_available.txt", "\"does not exist in database!\" before \"registration status\""},
    {"whois.nic.fr/fr/status_available.txt", "AFNIC before 2019: \"No entries found\"; now \"%% NOT FOUND\""},
    {"whois.nic.fr/tf/status_available.txt", "AFNIC before 2019, as .fr"},
    {"whois.nic.fr/yt/status_available.txt", "AFNIC before 2019, as .fr"},
    {"whois.nic.pm/pm/status_available.txt", "AFNIC before 2019, as .fr"},
    {"whois.nic.re/re/status_available.txt", "AFNIC before 2019, as .fr"},
    {"whois.nic.wf/wf/status_available.txt", "AFNIC before 2019, as .fr"},
    {"whois.nic.space/space/status_available.txt", "CentralNic: \"DOMAIN NOT FOUND\" before \"is available\""},
    {"whois.nic.tech/tech/status_available.txt", "CentralNic: \"DOMAIN NOT FOUND\" before \"is available\""},
    {"whois.nic.us/us/status_available.txt", "Neustar 2014: \"Not found:\"; now \"No Data Found\""},
    {"whois.nic.us/us/status_registered.txt", "Neustar 2014: \"Domain Expiration Date:\"; now ICANN labels"},
    {"whois.gandi.net/status_available.txt", "not an answer: an empty recording"},
    {"whois.nic.lk/xn--fzc2c9e2c/status_available.txt", "not an answer: an empty recording"},
    {"whois.nic.lk/xn--xkc2al3hye2a/status_available.txt", "not an answer: an empty recording"},
    {"whois.nic.bo/bo/status_available.txt", "not an answer: the host's refusal of a query outside .bo"},
    // Marked free in the collection, but the registry says the name cannot be registered.
    {"whois.nic.wed/wed/status_available.txt", "\"Prohibited String - Object Cannot Be Registered\""},
};

struct TReading
{
    std::string Availability;
    std::string Registrar;
    std::string Expires;
};

TReading Read(const TRecorded& row)
{
    static const auto masks = std::make_shared<const TDateMasks>(LoadDateMasks(ShippedMasks));
    const TWholeFile file = ReadWholeFile(AnswersDir + row.File, 1 << 20);
    EXPECT_TRUE(file.Loaded()) << row.File;
    TDomainTableModel model;
    model.AppendGenerated({row.Domain});
    TWhoisAnswers answers;
    answers.Answer = std::string(file.View());
    answers.WhoisServer = row.Host;
    answers.DomainName = row.Domain;
    TSyncSendResult result = TResultReader(ShippedConfig, masks).ReadWhois(answers);
    result.RowIndex = model.IdAt(0);
    EXPECT_TRUE(TResultApplier::ApplyResult(model, result));
    const int day = model.ExpiryDay(0);
    return {model.Slot(0, SlotAvailability), model.Slot(0, SlotRegistrar), day > 0 ? IsoDateFromDayNumber(day) : ""};
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

TEST(RecordedAnswersTest, ShippedTableReadsRealRegistries)
{
    const std::vector<TRecorded> rows = ReadIndex();
    ASSERT_GE(rows.size(), 540u);
    TScore verdict;
    TScore registrar;
    TScore expiry;
    int throttled = 0;
    std::ostringstream misses;
    for (const TRecorded& row : rows) {
        if (OutdatedLayouts.count(row.File))
            continue;
        const TReading reading = Read(row);
        if (row.Status == "throttled") {
            ++throttled;
            // A throttle page is never a verdict, whatever it says.
            EXPECT_EQ(reading.Availability, "RESULT ERROR") << row.File;
            continue;
        }
        if (row.Status != "free" && row.Status != "taken") {
            // Reserved, invalid, suspended names: anything but "free" is right for them, and an
            // answer of an unavailable server is no verdict either.
            if (row.Available == "False" || row.Status == "unavailable") {
                EXPECT_NE(reading.Availability, "YES") << row.File;
            }
            continue;
        }
        ++verdict.Of;
        const std::string wanted = row.Status == "free" ? "YES" : "NO";
        if (reading.Availability == wanted)
            ++verdict.Right;
        else
            misses << "  verdict  " << row.File << ": " << reading.Availability << ", not " << wanted << "\n";
        if (row.Status != "taken")
            continue;
        if (!row.RegistrarName.empty() || !row.RegistrarOrganization.empty()) {
            ++registrar.Of;
            if (SameRegistrar(reading.Registrar, row))
                ++registrar.Right;
            else
                misses << "  registrar " << row.File << ": \"" << reading.Registrar << "\", not \"" << row.RegistrarName
                       << "\" / \"" << row.RegistrarOrganization << "\"\n";
        }
        if (!row.Expires.empty() && row.Expires.size() == 10) {
            ++expiry.Of;
            if (reading.Expires == row.Expires)
                ++expiry.Right;
            else
                misses << "  expiry   " << row.File << ": \"" << reading.Expires << "\", not " << row.Expires << "\n";
        }
    }
    std::printf("Recorded answers: free/taken %d of %d (%.1f %%), registrar %d of %d (%.1f %%), expiry %d of %d "
                "(%.1f %%), %d throttled, %zu left out as older layouts\n%s",
                verdict.Right, verdict.Of, 100 * verdict.Share(), registrar.Right, registrar.Of,
                100 * registrar.Share(), expiry.Right, expiry.Of, 100 * expiry.Share(), throttled,
                OutdatedLayouts.size(), misses.str().c_str());
    EXPECT_GE(verdict.Share(), 0.97);
    EXPECT_GE(registrar.Share(), 0.90);
    EXPECT_GE(expiry.Share(), 0.90);
    EXPECT_GE(throttled, 15);
}

} // namespace
