// Feeds arbitrary WHOIS answer bytes to the text operations that read answers and to result
// application on a bare domain table. Fields (separated by 0x1E): the answer, the registrar label,
// the not-found text, the expiry label, the referral host's answer. Lines hold no line break and
// re-split to themselves; a label's value is a trimmed piece of one answer line (as UTF-8), the
// last line decides and an empty one takes the next line; an expiry text starts at a date mark of
// an "EXPIR" line and none is missed; a result is YES exactly when the answer holds the not-found
// text (in the answer's encoding), keeps one bounded answers-log entry per row however often it is
// applied, and shows either a real date or the raw text between marks.
#include "FuzzSupport.h"

#include "base/AsciiText.h"
#include "base/Utf8.h"
#include "core/ExpiryDate.h"
#include "engine/ResultApplier.h"
#include "engine/ResultReader.h"
#include "models/DomainTableModel.h"
#include "models/ExpiryDateFormat.h"
#include "whois/AnswerText.h"
#include "whois/HostStrings.h"
#include "whois/ResponseText.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

const std::string Host = "whois.example";
const std::string Domain = "lanternmoss.com";

bool IsBlank(std::string_view text)
{
    return TrimView(text).empty();
}

// True when `piece` occurs in `text`, in order after `from` (moved past it).
bool FoundInOrder(std::string_view text, std::string_view piece, std::size_t& from)
{
    const std::size_t at = text.find(piece, from);
    if (at == std::string_view::npos)
        return false;
    from = at + piece.size();
    return true;
}

void CheckLines(std::string_view answer)
{
    std::vector<std::string> lines;
    SplitLines(answer, lines);
    const std::string_view text = answer.substr(0, answer.find('\0'));
    std::size_t from = 0;
    for (const std::string& line : lines) {
        FUZZ_REQUIRE(line.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos);
        FUZZ_REQUIRE(FoundInOrder(text, line, from));
    }
    FUZZ_REQUIRE(lines.size() <= text.size());
    for (const std::string_view lineEnd : {"\n", "\r\n", "\r"}) {
        std::string joined;
        for (const std::string& line : lines)
            joined.append(line).append(lineEnd);
        std::vector<std::string> again;
        SplitLines(joined, again);
        FUZZ_REQUIRE(again == lines);
    }
}

void CheckLabelledValue(std::string_view label, std::string_view answer)
{
    const std::string value = ValueAfterLastLabel(label, answer);
    if (IsBlank(label)) {
        FUZZ_REQUIRE(value.empty());
        return;
    }
    const std::string_view text = answer.substr(0, answer.find('\0'));
    // Latin-1 bytes come back as UTF-8: at most two bytes each.
    FUZZ_REQUIRE(value.size() <= 2 * text.size() && Trim(value) == value);
    FUZZ_REQUIRE(value.find_first_of("\r\n") == std::string::npos);
    // A piece of the answer, as it is or (when it is not UTF-8) as its Latin-1 reading.
    std::string raw;
    FUZZ_REQUIRE(value.empty() || text.find(value) != std::string_view::npos ||
                 (Latin1FromUtf8(value, raw) && text.find(raw) != std::string_view::npos));
    FUZZ_REQUIRE(IsValidUtf8(value));
    if (label.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
        return;
    const std::string base(text);
    FUZZ_REQUIRE(ValueAfterLastLabel(label, base + "\r\n\r\n") == value);
    std::string_view block;
    std::string_view sub;
    const bool ascii =
        std::all_of(label.begin(), label.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (SplitBlockLabel(label, block, sub) || !ascii)
        return;
    // A later line with the label decides; a later line without it changes nothing.
    FUZZ_REQUIRE(ValueAfterLastLabel(label, base + "\n" + std::string(label) + " Quarrow Registrar ") ==
                 "Quarrow Registrar");
    // A label alone on the last line that holds it takes its value from the next non-empty line.
    const std::string under = "  Quarrow Registrar";
    if (under.find(label) == std::string::npos)
        FUZZ_REQUIRE(ValueAfterLastLabel(label, base + "\n" + std::string(label) + "\n\n" + under + "\n") ==
                     "Quarrow Registrar");
}

bool HasDateMark(std::string_view upper)
{
    static constexpr std::string_view marks[] = {"SUN", "MON", "TUE", "WED", "THU", "FRI", "SAT", "JAN", "FEB", "MAR",
                                                 "APR", "MAY", "JUN", "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    if (upper.find_first_of("0123456789") != std::string_view::npos)
        return true;
    return std::any_of(std::begin(marks), std::end(marks),
                       [upper](std::string_view mark) { return upper.find(mark) != std::string_view::npos; });
}

void CheckExpiryText(const std::string& answer)
{
    std::string text;
    FindExpiryDate(answer, text);
    std::vector<std::string> lines;
    SplitLines(answer, lines);
    for (const std::string& line : lines) {
        const std::string upper = UpperAscii(line);
        if (upper.find("EXPIR") == std::string::npos || !HasDateMark(upper))
            continue;
        // The first line that has a mark gives the text: the tail of that line from a mark on.
        FUZZ_REQUIRE(!text.empty() && line.size() >= text.size());
        FUZZ_REQUIRE(line.compare(line.size() - text.size(), text.size(), text) == 0);
        const std::string head = UpperAscii(text.substr(0, 3));
        FUZZ_REQUIRE(HasDateMark(head));
        return;
    }
    FUZZ_REQUIRE(text.empty());
}

void CheckResultApplication(const std::vector<std::string>& fields)
{
    static const auto masks = std::make_shared<const TDateMasks>(LoadDateMasks(QUARROW_SHIPPED_DATEMASK));
    const std::string config = ScratchFolder() + "/mvwhois.ini";
    WriteScratchFile(config, "[" + Host + "]\nregistrar_string=" + BlankedLineBreaks(fields[1]) +
                                 "\nnot_found_strings=" + BlankedLineBreaks(fields[2]) + "\nexpires_string=" +
                                 BlankedLineBreaks(fields[3]) + "\nwhois_server_string=Registrar WHOIS Server:\n");
    const THostStrings strings = THostStrings::Load(config, Host);
    FUZZ_REQUIRE(strings.Readable);

    TDomainTableModel model;
    model.AppendGenerated({Domain});
    TWhoisAnswers answers;
    answers.Answer = fields[0];
    answers.ReferralAnswer = fields[4];
    answers.WhoisServer = Host;
    answers.DomainName = Domain;

    // A retried check applies to the same row again: it keeps its one answers-log entry.
    for (int round = 0; round < 2; ++round) {
        // The worker reads the answers with the host's strings; the main thread writes the values.
        TSyncSendResult result = TResultReader(config, masks).ReadWhois(answers);
        result.RowIndex = model.IdAt(0);
        FUZZ_REQUIRE(TResultApplier::ApplyResult(model, result));
        const std::string availability = model.Slot(0, SlotAvailability);
        FUZZ_REQUIRE(model.Slot(0, SlotStartTick).empty());
        if (IsBlank(answers.Answer) && IsBlank(answers.ReferralAnswer)) {
            FUZZ_REQUIRE(availability == "RESULT ERROR");
            continue;
        }
        // The not-found texts count in the answer's own encoding; a verdict needs its evidence, and
        // an answer with neither (or both) is no verdict, its text kept in the entry after the
        // reason.
        const TAnswerText text(answers.Answer);
        const bool free = !strings.NotFoundTextIn(text, Domain).empty();
        const bool registered = !strings.RegistrationIn(text).empty();
        if (IsBlank(answers.Answer) || free == registered) {
            FUZZ_REQUIRE(availability == "RESULT ERROR");
            if (!IsBlank(answers.Answer))
                FUZZ_REQUIRE(model.AnswerLog()[0].find(answers.Answer.substr(0, TResultReader::MaxStoredAnswerBytes)) !=
                             std::string::npos);
            continue;
        }
        FUZZ_REQUIRE(model.AnswerLog().size() == 1 && model.AnswerIndexOf(0) == 0);
        const std::string& entry = model.AnswerLog()[0];
        FUZZ_REQUIRE(entry.size() <= 2 * TResultReader::MaxStoredAnswerBytes + 400);
        FUZZ_REQUIRE(entry.compare(0, std::min(answers.Answer.size(), TResultReader::MaxStoredAnswerBytes),
                                   answers.Answer, 0, TResultReader::MaxStoredAnswerBytes) == 0);

        FUZZ_REQUIRE(availability == (free ? "YES" : "NO"));
        if (free)
            continue;
        for (const int slot : {SlotRegistrar, SlotWhoisServer}) {
            const std::string value = model.Slot(0, slot);
            FUZZ_REQUIRE(Trim(value) == value && value.find_first_of("\r\n") == std::string::npos);
            // Latin-1 bytes come back as UTF-8: at most two bytes each.
            FUZZ_REQUIRE(value.size() <= 2 * answers.Answer.size() && IsValidUtf8(value));
        }
        const int day = model.ExpiryDay(0);
        const std::string shown = model.Slot(0, SlotExpires);
        if (model.ExpiryUnreadable(0)) {
            FUZZ_REQUIRE(day == 0 && shown.size() >= 4 && shown.compare(0, 2, "! ") == 0);
            FUZZ_REQUIRE(shown.compare(shown.size() - 2, 2, " !") == 0);
        } else {
            FUZZ_REQUIRE(day >= 0 && shown == FormatDayNumber(day));
            // Day 1 is 31 December 1899; dates before it are shown as none.
            FUZZ_REQUIRE(day == 0 || (DateFromDayNumber(day).Year >= 1899 && DateFromDayNumber(day).Year <= 9999));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::string_view> split =
        SplitFields(std::string_view(reinterpret_cast<const char*>(data), size), 5);
    std::vector<std::string> fields(split.begin(), split.end());
    static const std::vector<std::string> defaults = {"", "Registrar:", "No match for \"%DOMAIN%\".",
                                                      "Registry Expiry Date:", ""};
    for (std::size_t i = fields.size(); i < defaults.size(); ++i)
        fields.push_back(defaults[i]);

    CheckLines(fields[0]);
    CheckLabelledValue(fields[1], fields[0]);
    CheckLabelledValue(fields[3], fields[0]);
    CheckExpiryText(fields[0]);
    CheckResultApplication(fields);
    return 0;
}
