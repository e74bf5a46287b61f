#pragma once

#include "base/WholeFile.h"
#include "settings/ParsedIniFile.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <unordered_map>

// What a read works on: the parsed file, or why there is none.
struct TLoadedIniFile
{
    TWholeFile::TStatus Status = TWholeFile::TStatus::Missing;
    std::shared_ptr<const TParsedIniFile> File;

    bool Loaded() const { return Status == TWholeFile::TStatus::Loaded; }
};

// The parsed files of the last few paths read, shared by every TIniFile of the process and by
// every thread. A file is read again only when its size, modification time or inode (a save
// renames a new file into place) differ from the ones it had when it was read. A change that
// leaves all three alone can happen only within one tick of the file system's clock, and some
// file systems keep time only to the even second: a file changed that recently before it was
// read is not kept, and is read again at each use until it has been quiet for longer than that.
class TIniFileCache
{
public:
    static TIniFileCache& Instance();

    TLoadedIniFile Load(const std::string& path);
    // The next read of the path reads the file again (after a write of it).
    void Forget(const std::string& path);

    // Which file a path named when it was read, and its size and modification time then.
    struct TFileStamp
    {
        dev_t Device = 0;
        ino_t Inode = 0;
        off_t Size = 0;
        std::int64_t ModifiedNs = 0;
        bool operator==(const TFileStamp&) const = default;
    };

private:
    TIniFileCache() = default;

    struct TEntry
    {
        TFileStamp Stamp;
        std::shared_ptr<const TParsedIniFile> File;
        std::uint64_t LastUse = 0;
    };

    // The configuration file, and room for the few others a test or a tool may read.
    static constexpr std::size_t MaxEntries = 8;
    static constexpr std::int64_t UntrustedAgeNs = 2'000'000'000;

    void DropLeastUsed();

    std::mutex Mutex;
    std::unordered_map<std::string, TEntry> Entries;
    std::uint64_t Uses = 0;
};
