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

// The value a label names in an answer; empty when the label is blank or the answer holds no value
// for it.
// - A plain label: the trimmed rest of the last answer line that contains `label` (exact case), cut
//   after the label's first occurrence in that line in any case (StrAfter). When that rest is
//   empty the registry put the value on the next line: the next non-empty line gives it (trimmed),
//   provided it reads as a value (it starts with a letter, a digit or a non-ASCII byte and is not
//   itself a "Label: value" line, so an empty "Registrar WHOIS Server:" does not read the
//   "Registrar URL:" line under it).
// - "Block>Sub" (a block label and a sub-label, see SubLabelSeparator): in the block under the
//   last line that is exactly `Block` (trimmed, exact case), meaning the lines below it up to the
//   first blank one, the value after the first line holding `Sub`.
// A label typed in UTF-8 also matches an answer in Latin-1 (TextInAnswerEncoding), and a value that
// is not valid UTF-8 comes back as its Latin-1 reading in UTF-8, as it is shown.
std::string ValueAfterLastLabel(std::string_view label, std::string_view answer);

// The value of the first of several labels, separated by "|" (SplitTexts), that gives one; a value
// without "|" is one label. The labels are tried in the order written: the most specific first.
std::string ValueOfFirstLabel(std::string_view labels, std::string_view answer);

// The texts of a key that holds several separated by "|" (ConfigKeys::TextSeparator), each trimmed;
// blank ones are left out. A value without "|" is one text, as it is (a quoted label keeps its
// final blank). Views into `value`.
std::vector<std::string_view> SplitTexts(std::string_view value);

// The block and sub-label of a "Block>Sub" label: both non-blank; false for a plain label.
bool SplitBlockLabel(std::string_view label, std::string_view& block, std::string_view& sub);

// `text` (a not-found text, label or limit text from the configuration file) in the encoding of
// `answer`: the dialogs store what a person copies from a Latin-1 answer as UTF-8, and a file
// edited by hand may hold Latin-1. An answer that is valid UTF-8 gets UTF-8 (a Latin-1 text read
// as Latin-1); any other answer is taken as Latin-1 and gets the Latin-1 bytes of a UTF-8 text
// that has them. Pure ASCII, and anything that cannot be converted, stays as it is.
std::string TextInAnswerEncoding(std::string_view text, std::string_view answer);
// The same for an answer already known to be UTF-8 or not.
std::string TextInEncoding(std::string_view text, bool answerIsUtf8);

// ValueOfFirstLabel with the labels stored under `key` in section `host` of the configuration file
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
