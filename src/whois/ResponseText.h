#pragma once

#include "base/AsciiText.h"

#include <string>
#include <string_view>
#include <vector>

// Small text operations that read WHOIS answers. All work on bytes; "upper case" means ASCII a-z
// to A-Z only. Positions reported by the Find* searches count from 1.

// Lines end at CR LF, a lone CR or a lone LF; a NUL ends the whole text; a break at the very end
// adds no empty line.
void SplitLines(std::string_view text, std::vector<std::string>& lines);

// Text after the first occurrence of label (found without regard to case); empty when the label
// is empty or absent.
std::string StrAfter(std::string_view label, std::string_view text);

// The trimmed rest of the last answer line that contains `label` (exact case), cut after the
// label's first occurrence in that line in any case (StrAfter); empty when the label is blank or
// no line holds it.
std::string ValueAfterLastLabel(std::string_view label, std::string_view answer);

// ValueAfterLastLabel with the label stored under `key` in section `host` of the configuration file
// at `iniPath`. Returns false, with `value` empty, when the configuration file cannot be read.
bool ExtractLabelledValue(const std::string& key, const std::string& answer, const std::string& host,
                          std::string& value, const std::string& iniPath);

// The raw expiry text of the first line containing "EXPIR" (any case) that yields one, starting
// at the earliest day name, month name or digit; empty when none. A line holding none of these
// gives nothing and the search goes on, however long the line: starting such a line (or a date
// found beyond it) at column 1024 would only return text no date mask reads, and end the search
// before a later line with a date.
void FindExpiryDate(const std::string& answer, std::string& text);

bool FindShortDayName(std::string_view upperLine, int& position);
bool FindLongDayName(std::string_view upperLine, int& position);
bool FindShortMonthName(std::string_view upperLine, int& position);
bool FindFirstDigit(std::string_view upperLine, int& position);
