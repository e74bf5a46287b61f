#include "whois/RegistrationField.h"

#include "base/AsciiText.h"
#include "base/Utf8.h"
#include "whois/ResponseText.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace {

// Normalised labels (lower case, no dots, single blanks) of fields a free answer never has.
constexpr std::string_view RegisteredLabels[] = {
    // the registrar
    "registrar", "sponsoring registrar", "registrar name", "registrar handle", "registrar organization",
    "registrar organisation", "registrar of record", "registration service provider",
    "registration service provided by", "reseller",
    // the day of registration
    "creation date", "created", "created on", "created date", "creation time", "create date", "registered",
    "registered on", "registered date", "registration date", "registration time", "domain registration date",
    "domain create date", "domain created", "record created", "record created on", "first registration date",
    "domain record activated",
    // the expiry
    "expiry date", "expiration date", "registry expiry date", "registrar registration expiration date", "expires",
    "expires on", "expire date", "expire", "expiry", "expiration", "expiration time", "paid-till", "paid till",
    "domain expiration date", "record expires on", "valid until", "renewal date", "registry expiration date",
    "domain expires", "expire on", "record expired",
    // where the name is served
    "name server", "name servers", "nameserver", "nameservers", "nserver", "domain servers in listed order",
    "dns servers", "domain nameservers",
    // who holds it
    "registrant", "registrant name", "registrant organization", "registrant organisation", "holder", "holder-c",
    "registrant contact", "domain holder", "holder of domain name", "titular", "owner", "admin-c", "tech-c"};

// Labels whose value is a state: a registration only when the state is a registered one.
constexpr std::string_view StatusLabels[] = {"status",     "domain status", "state", "registration status",
                                             "epp status", "domain state"};

// Words of a state that only a registered name is in. "...prohibited" (the EPP locks) is checked
// apart.
constexpr std::string_view RegisteredStates[] = {
    "ok",     "active",     "connect",   "connected", "registered",  "inactive",        "hold",      "clienthold",
    "locked", "serverhold", "delegated", "granted",   "renewperiod", "autorenewperiod", "published", "transferred"};

// Words of a state in which the name cannot be registered either: no registration, but a sign
// that the name is not free, whatever else the state says ("PREMIUM NAME (No match for ...)").
constexpr std::string_view UnavailableStates[] = {"reserved",     "premium",    "blocked",
                                                  "unassignable", "prohibited", "restricted"};

// Words that make a state a free or undecided one.
constexpr std::string_view FreeStates[] = {"free", "available", "not", "no", "unregistered", "unassigned", "invalid"};

// Values that say there is none.
constexpr std::string_view NoValues[] = {"n/a",         "na", "none", "-",      "not available",
                                         "not defined", "no", "null", "unknown"};

template <std::size_t N> bool IsListed(const std::string_view (&list)[N], std::string_view word)
{
    return std::find(std::begin(list), std::end(list), word) != std::end(list);
}

bool IsLetterOrDigit(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// The label of a "Label: value" or "[Label] value" line, normalised, and the value after it; false
// for a line that is neither. A label is at most 48 bytes of letters, blanks, dots and - _ / ( ).
bool SplitField(std::string_view line, std::string& label, std::string_view& value)
{
    constexpr std::size_t MaxLabelBytes = 48;
    std::string_view text = TrimView(line);
    // .jp and .my: "a. [Domain Name]  x.jp", "d [Record Expired]  13-MAY-2014", "[Expires on]  2026/07/31"
    if (text.size() > 3 && text[0] >= 'a' && text[0] <= 'z') {
        const std::size_t bracket = text[1] == '.' ? 3 : 2;
        if (text.size() > bracket && IsSpaceOrTab(text[bracket - 1]) && text[bracket] == '[')
            text = TrimView(text.substr(bracket));
    }
    std::size_t end = 0;
    std::size_t valueStart = 0;
    if (!text.empty() && text.front() == '[') {
        end = text.find(']');
        if (end == std::string_view::npos)
            return false;
        valueStart = end + 1;
        text.remove_prefix(1);
        --end;
        --valueStart;
    } else {
        end = text.find(':');
        if (end == std::string_view::npos || end == 0)
            return false;
        valueStart = end + 1;
    }
    if (end > MaxLabelBytes)
        return false;
    label.clear();
    for (const char c : text.substr(0, end)) {
        if (c == '.' || c == ' ' || c == '\t') {
            if (!label.empty() && label.back() != ' ')
                label += ' ';
            continue;
        }
        if (!IsLetterOrDigit(c) && c != '-' && c != '_' && c != '/' && c != '(' && c != ')')
            return false;
        label += LowerAscii(c);
    }
    while (!label.empty() && label.back() == ' ')
        label.pop_back();
    value = TrimView(text.substr(valueStart));
    return !label.empty();
}

std::vector<std::string> LowerWords(std::string_view value)
{
    std::vector<std::string> words;
    std::string word;
    for (const char c : value) {
        if (IsLetterOrDigit(c)) {
            word += LowerAscii(c);
        } else if (!word.empty()) {
            words.push_back(std::move(word));
            word.clear();
        }
    }
    if (!word.empty())
        words.push_back(std::move(word));
    return words;
}

bool IsRegisteredState(std::string_view value)
{
    const std::vector<std::string> words = LowerWords(value);
    for (const std::string& word : words)
        if (IsListed(UnavailableStates, word))
            return true;
    bool registered = false;
    for (const std::string& word : words) {
        if (IsListed(FreeStates, word))
            return false;
        const std::string_view locked = "prohibited";
        registered =
            registered || IsListed(RegisteredStates, word) ||
            (word.size() > locked.size() && word.compare(word.size() - locked.size(), locked.size(), locked) == 0);
    }
    return registered;
}

bool IsNoValue(std::string_view value)
{
    return value.empty() || IsListed(NoValues, LowerAscii(value));
}

// A value starts with a letter, a digit or a byte of a non-ASCII letter; comments and rules ("%",
// "#", "--", ">>>") do not.
bool StartsAsValue(std::string_view trimmed)
{
    return !trimmed.empty() &&
           (IsLetterOrDigit(trimmed.front()) || static_cast<unsigned char>(trimmed.front()) >= 0x80);
}

std::size_t IndentOf(std::string_view line)
{
    std::size_t indent = 0;
    while (indent < line.size() && IsSpaceOrTab(line[indent]))
        ++indent;
    return indent;
}

} // namespace

std::string RegistrationFieldIn(std::string_view answer)
{
    std::vector<std::string> lines;
    SplitLines(answer, lines);
    std::string label;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string_view value;
        if (!SplitField(lines[i], label, value))
            continue;
        const bool status = IsListed(StatusLabels, label);
        if (!status && !IsListed(RegisteredLabels, label))
            continue;
        // A label alone on its line: the registry put the value on the line below it, indented, or
        // (.ch, .uy) flush with the label but then no field of its own.
        std::string shown(TrimView(lines[i]));
        if (value.empty()) {
            std::size_t next = i + 1;
            while (next < lines.size() && TrimView(lines[next]).empty())
                ++next;
            if (next == lines.size())
                continue;
            std::string nextLabel;
            std::string_view nextValue;
            const bool indented = IndentOf(lines[next]) > IndentOf(lines[i]);
            if (!indented && (SplitField(lines[next], nextLabel, nextValue) || !StartsAsValue(TrimView(lines[next]))))
                continue;
            value = TrimView(lines[next]);
            shown += " / " + std::string(value);
        }
        if (IsNoValue(value) || (status && !IsRegisteredState(value)))
            continue;
        return Utf8OrLatin1(shown);
    }
    return {};
}
