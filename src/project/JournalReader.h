#pragma once

#include "project/JournalRecord.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Reads a check journal back. Records are taken up to the last whole one: a frame that is cut off
// (the check was killed while writing it) or damaged (its checksum, length or fields do not hold)
// ends the reading, since nothing after it can be trusted to start where a frame starts. Bytes
// that are no journal at all (another file, a header of another version) are Unreadable and give
// no records.
class TJournalReader
{
public:
    enum class TStatus
    {
        Whole,     // every byte belonged to a whole record (an empty or header-only file too)
        CutOff,    // the last frame ends early
        Damaged,   // a frame does not hold together
        Unreadable // no journal header
    };

    struct TContents
    {
        TStatus Status = TStatus::Whole;
        std::vector<TJournalRecord> Records;
        // Bytes from the start up to the end of the last whole record: what a writer may continue.
        std::size_t WholeBytes = 0;
    };

    static TContents Read(std::string_view bytes);
};
