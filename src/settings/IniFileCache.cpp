#include "settings/IniFileCache.h"

#include "settings/IniLayout.h"

#include <algorithm>
#include <ctime>
#include <sys/stat.h>
#include <utility>

using IniLayout::LoadText;
using TFileStamp = TIniFileCache::TFileStamp;

namespace {

TFileStamp StampOf(const struct stat& info)
{
    return {info.st_dev, info.st_ino, info.st_size,
            static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

std::int64_t NowNs()
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

} // namespace

TIniFileCache& TIniFileCache::Instance()
{
    // Never destroyed: a worker given up at exit may still read its configuration.
    static TIniFileCache* const cache = new TIniFileCache;
    return *cache;
}

TLoadedIniFile TIniFileCache::Load(const std::string& path)
{
    struct stat info
    {
    };
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        Forget(path);
        // Missing, or why it cannot be read, exactly as a read of the whole file tells.
        TLoadedIniFile result;
        TWholeFile file = LoadText(path);
        result.Status = file.Status;
        if (file.Loaded())
            result.File = std::make_shared<const TParsedIniFile>(std::move(file), false);
        return result;
    }
    const TFileStamp stamp = StampOf(info);
    {
        const std::lock_guard lock(Mutex);
        const auto known = Entries.find(path);
        if (known != Entries.end() && known->second.Stamp == stamp) {
            known->second.LastUse = ++Uses;
            return {TWholeFile::TStatus::Loaded, known->second.File};
        }
    }

    // Read and parsed outside the lock: another thread's reads of other files go on meanwhile.
    const std::int64_t readAt = NowNs();
    TWholeFile file = LoadText(path);
    if (!file.Loaded()) {
        Forget(path);
        return {file.Status, nullptr};
    }
    // Kept only when it is surely the content of the stamp taken before the read; only a kept
    // file is worth finding its sections in advance.
    const bool unchanged = ::stat(path.c_str(), &info) == 0 && StampOf(info) == stamp;
    const bool trusted = unchanged && stamp.ModifiedNs < readAt - UntrustedAgeNs;
    auto parsed = std::make_shared<const TParsedIniFile>(std::move(file), trusted);
    const std::lock_guard lock(Mutex);
    if (!trusted) {
        Entries.erase(path);
    } else {
        Entries[path] = {stamp, parsed, ++Uses};
        DropLeastUsed();
    }
    return {TWholeFile::TStatus::Loaded, std::move(parsed)};
}

void TIniFileCache::Forget(const std::string& path)
{
    const std::lock_guard lock(Mutex);
    Entries.erase(path);
}

void TIniFileCache::DropLeastUsed()
{
    while (Entries.size() > MaxEntries)
        Entries.erase(std::min_element(Entries.begin(), Entries.end(), [](const auto& a, const auto& b) {
            return a.second.LastUse < b.second.LastUse;
        }));
}
