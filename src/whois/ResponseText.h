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
// - "Block|Sub" (a block label and a sub-label, see SubLabelSeparator): in the block under the
//   last line that is exactly `Block` (trimmed, exact case), meaning the lines below it up to the
//   first blank one, the value after the first line holding `Sub`.
// A label typed in UTF-8 also matches an answer in Latin-1 (TextInAnswerEncoding), and a value that
// is not valid UTF-8 comes back as its Latin-1 reading in UTF-8, as it is shown.
std::string ValueAfterLastLabel(std::string_view label, std::string_view answer);

// The block and sub-label of a "Block|Sub" label: both non-blank; false for a plain label.
bool SplitBlockLabel(std::string_view label, std::string_view& block, std::string_view& sub);

// True when the answer holds the label (exact case; the block part of a "Block|Sub" label), in the
// answer's encoding.
bool AnswerHoldsLabel(std::string_view label, std::string_view answer);

// True when a line of the answer is "label: domain": a label of at most three words of letters
// (hyphens and underscores allowed), a colon, blanks, and then the queried domain (any case) as
// the whole rest of the line. Registries that answer in a couple of lines ("Domain: x.de",
// "Status: connect") still name the domain that way; a refusal that merely names it in a sentence
// does not.
bool HoldsDomainLine(std::string_view answer, std::string_view domain);

// `text` (a not-found text, label or limit text from the configuration file) in the encoding of
// `answer`: the dialogs store what a person copies from a Latin-1 answer as UTF-8, and a file
// edited by hand may hold Latin-1. An answer that is valid UTF-8 gets UTF-8 (a Latin-1 text read
// as Latin-1); any other answer is taken as Latin-1 and gets the Latin-1 bytes of a UTF-8 text
// that has them. Pure ASCII, and anything that cannot be converted, stays as it is.
std::string TextInAnswerEncoding(std::string_view text, std::string_view answer);

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
