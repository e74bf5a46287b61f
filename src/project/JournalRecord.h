#pragma once

#include "core/DomainRow.h"

#include <cstdint>
#include <string>
#include <string_view>

// One row's final result as a check journal keeps it: the row's name and the cells and answers
// entry the result gave it, in the forms a project file stores them. The journal names a row by
// its name, which is what survives a save, a sort and a later run.
struct TJournalRecord
{
    std::string Caption;
    TRowResult Verdict = TRowResult::Error;
    std::string Registrar;
    std::string WhoisServer;
    std::string Expires; // the Expires cell's text
    std::string Answers; // the row's answers entry

    bool operator==(const TJournalRecord&) const = default;
};

// The layout shared by the journal's writer and reader. A journal is the header line, then one
// frame per record: "R <payload bytes> <CRC-32 of the payload, 8 hex digits>\n", the payload, "\n".
// The payload is the six fields as "<bytes>:<field>". The verdict is written as the cell's word
// ("YES", "NO", "RESULT ERROR"): the file is an edge of the program, and a person reading a
// leftover journal should see what it holds.
namespace JournalLayout {

inline constexpr std::string_view Header = "Quarrow check journal 1\n";
// No answers entry comes near this; a larger length is damage, not a record.
inline constexpr std::uint64_t MaxPayloadBytes = 64u << 20;

std::uint32_t Crc32(std::string_view bytes);
// The Availability cell's word of a check's verdict.
std::string_view VerdictWord(TRowResult verdict);

} // namespace JournalLayout
