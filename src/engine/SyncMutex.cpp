#include "engine/SyncMutex.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr std::size_t MaxIdentifierLength = 260;

// File names keep letters, digits and a few safe marks; every other byte is written as %XX so
// that distinct identifiers never share a lock file. Very long names end in a hash instead.
std::string FileNameFor(const std::string& identifier)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string name = "quarrow-mutex-";
    for (unsigned char c : identifier) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
            c == '.') {
            name += static_cast<char>(c);
        } else {
            name += '%';
            name += hex[c >> 4];
            name += hex[c & 15];
        }
    }
    if (name.size() > 200) {
        const auto digest = std::hash<std::string>{}(identifier);
        char tail[24];
        std::snprintf(tail, sizeof tail, "~%016zx", static_cast<std::size_t>(digest));
        name = name.substr(0, 180) + tail;
    }
    return name + ".lock";
}

} // namespace

TSyncMutex::TSyncMutex(std::string name, std::string lockFolder)
    : ComponentName(std::move(name)), Folder(lockFolder.empty() ? DefaultLockFolder() : std::move(lockFolder))
{
}

TSyncMutex::~TSyncMutex()
{
    if (Handle >= 0)
        ::close(Handle);
}

void TSyncMutex::SetIdentifier(const std::string& value)
{
    if (value == Ident)
        return;
    std::string result = value.empty() ? ComponentName : value;
    for (char& c : result)
        if (c == '\\')
            c = '_';
    if (result.size() > MaxIdentifierLength)
        result.resize(MaxIdentifierLength);
    Ident = std::move(result);
}

std::string TSyncMutex::LockFilePath() const
{
    return Folder + "/" + FileNameFor(Ident);
}

bool TSyncMutex::Enter()
{
    if (EnteredFlag)
        return false;
    EnteredFlag = true;
    Handle = ::open(LockFilePath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (Handle < 0)
        return false;
    if (WaitInfinite) {
        while (::flock(Handle, LOCK_EX) != 0)
            if (errno != EINTR)
                return false;
        return true;
    }
    // flock has no timed wait: poll with short sleeps until the time-out has passed.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeOut);
    for (;;) {
        if (::flock(Handle, LOCK_EX | LOCK_NB) == 0)
            return true;
        if (errno != EWOULDBLOCK && errno != EINTR)
            return false;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

void TSyncMutex::Leave()
{
    // Only our own descriptor is ever released; a Leave without Enter finds none.
    if (Handle >= 0) {
        ::flock(Handle, LOCK_UN);
        ::close(Handle);
        Handle = -1;
    }
    EnteredFlag = false;
}

std::string TSyncMutex::DefaultLockFolder()
{
    struct stat info
    {
    };
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        runtime && *runtime && ::stat(runtime, &info) == 0 && S_ISDIR(info.st_mode))
        return runtime;
    const std::string folder = "/tmp/quarrow-" + std::to_string(::getuid());
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return "/tmp";
    // A folder that someone else made (or a link planted there) is not ours to trust.
    if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid())
        return folder + "-" + std::to_string(::getpid());
    return folder;
}
