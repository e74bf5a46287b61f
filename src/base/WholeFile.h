#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

// The whole content of one file, read in one go. Only regular files are read: a FIFO, device or
// folder at the path is refused after a stat, before anything opens it, so that a pipe nobody
// writes to cannot block the program and opening a device has no side effect.
struct TWholeFile
{
    enum class TStatus
    {
        Loaded,
        Missing, // nothing at the path (or a path through a missing folder)
        Failed   // Error says why
    };

    TStatus Status = TStatus::Missing;
    std::unique_ptr<char[]> Data; // never null once Loaded, also for an empty file
    std::size_t Size = 0;
    std::string Error;

    bool Loaded() const { return Status == TStatus::Loaded; }
    std::string_view View() const { return {Data.get(), Size}; }
};

// Reads the file at `path`, following symbolic links; a file larger than `maxBytes` fails with
// "The file is too large." instead of filling the memory.
TWholeFile ReadWholeFile(const std::string& path, std::size_t maxBytes);
