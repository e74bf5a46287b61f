#pragma once

#include "project/JournalRecord.h"

#include <string>

// Appends records to a check journal as results arrive, so that a check that is killed loses at
// most what was not yet on the disk. Each record goes out in one write as soon as it is appended
// (a killed process loses nothing the kernel has); Sync() puts what was written on the disk, and
// the owner calls it at least once a second while records come. A journal that does not exist
// yet is created with its header, and the folder synced so that the new name survives a power cut.
//
// A write that fails leaves Error() saying why; later appends are then refused, so that a record
// never follows a half-written one.
class TJournalWriter
{
public:
    TJournalWriter() = default;
    ~TJournalWriter();
    TJournalWriter(const TJournalWriter&) = delete;
    TJournalWriter& operator=(const TJournalWriter&) = delete;

    // Opens `path` for appending (a journal left over is continued: its reader has cut it back to
    // its last whole record). False, with Error() set, when it cannot be opened or created.
    bool Open(const std::string& path);
    bool IsOpen() const { return Fd >= 0; }
    const std::string& Path() const { return FilePath; }

    bool Append(const TJournalRecord& record);
    // Written but not yet synced records exist.
    bool Unsynced() const { return Dirty; }
    bool Sync();
    // Syncs and closes; the file stays.
    void Close();
    // Closes and removes the file: what it held is in the project now, or thrown away.
    bool Remove();

    const std::string& Error() const { return Message; }

    // The bytes of one record's frame.
    static std::string Encode(const TJournalRecord& record);

private:
    bool Fail(const std::string& what, int error);

    std::string FilePath;
    int Fd = -1;
    bool Dirty = false;
    std::string Message;
};
