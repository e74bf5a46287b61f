#include "base/AtomicFileWriter.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool AllDigits(std::string_view text)
{
    if (text.empty())
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// True when `path` still names the file open as `fd`; a writer that lost its temporary file to
// a concurrent clean-up must not go on writing into an unlinked file.
bool StillLinked(int fd, const std::string& path)
{
    struct stat opened
    {
    };
    struct stat named
    {
    };
    return ::fstat(fd, &opened) == 0 && ::lstat(path.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
           opened.st_ino == named.st_ino;
}

} // namespace

std::string TAtomicFileWriter::FollowLinks(const std::string& path)
{
    namespace fs = std::filesystem;
    // The limit the kernel applies to one lookup (MAXSYMLINKS).
    constexpr int MaxLinks = 40;
    fs::path current = path;
    for (int hop = 0; hop <= MaxLinks; ++hop) {
        struct stat info
        {
        };
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return current.string();
        std::error_code error;
        const fs::path target = fs::read_symlink(current, error);
        if (error)
            return current.string();
        // A relative link is read from the folder that holds it.
        current = target.is_absolute() ? target : current.parent_path() / target;
    }
    return {};
}

TAtomicFileWriter::TAtomicFileWriter(std::string path) : TAtomicFileWriter(std::move(path), TOptions{}) {}

TAtomicFileWriter::TAtomicFileWriter(std::string path, TOptions options) : Target(std::move(path))
{
    Open(options);
}

void TAtomicFileWriter::Open(const TOptions& options)
{
    namespace fs = std::filesystem;
    std::error_code error;
    // Write through a symbolic link instead of replacing the link by a plain file (a configuration
    // kept in a dotfiles folder and linked into place must go on receiving the changes).
    const std::string resolved = FollowLinks(Target);
    if (resolved.empty()) {
        SetError("Cannot write \"" + Target + "\".", ELOOP);
        return;
    }
    Target = resolved;
    const fs::path folder = fs::path(Target).parent_path();
    if (!folder.empty() && options.CreateFolders) {
        fs::create_directories(folder, error);
        if (error) {
            Message = "Cannot create the folder \"" + folder.string() + "\". " + error.message();
            return;
        }
    }

    struct stat old
    {
    };
    const bool exists = ::stat(Target.c_str(), &old) == 0;
    if (exists) {
        if (!S_ISREG(old.st_mode)) {
            Message = "Cannot write \"" + Target + "\": it is not a regular file.";
            return;
        }
        // The owner's write bit marks a file the user wants left alone; honour it even for root,
        // whom the system itself would let through.
        if (!(old.st_mode & S_IWUSR) || ::access(Target.c_str(), W_OK) != 0) {
            Message = "Cannot write \"" + Target + "\": the file is read-only.";
            return;
        }
    }

    const std::string base = fs::path(Target).filename().string();
    const std::string folderPrefix = folder.empty() ? std::string() : folder.string() + "/";
    RemoveLeftovers(folder.empty() ? std::string(".") : folder.string(), base);

    const std::string prefix = folderPrefix + "." + base + std::string(TempInfix);
    const mode_t createMode = options.ExactMode ? 0600 : options.Mode;
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < 100 && Fd < 0; ++attempt) {
        TempPath = prefix + std::to_string(random() % 1000000);
        Fd = ::open(TempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, createMode);
        if (Fd < 0 && errno != EEXIST) {
            const int openError = errno;
            TempPath.clear();
            SetError("Cannot create a file in the folder of \"" + Target + "\".", openError);
            return;
        }
        if (Fd < 0)
            continue;
        // Held until the writer is done; the lock is what a later clean-up asks about.
        if (::flock(Fd, LOCK_EX) != 0 || !StillLinked(Fd, TempPath)) {
            ::close(Fd);
            Fd = -1;
        }
    }
    if (Fd < 0) {
        TempPath.clear();
        SetError("Cannot create a temporary file for \"" + Target + "\".", EEXIST);
        return;
    }
    if (options.ExactMode)
        ::fchmod(Fd, options.Mode & 07777);
    else if (exists)
        ::fchmod(Fd, old.st_mode & 07777);
}

void TAtomicFileWriter::RemoveLeftovers(const std::string& folder, const std::string& base) const
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    const std::string prefix = "." + base + std::string(TempInfix);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix ||
            !AllDigits(name.substr(prefix.size())))
            continue;
        const int fd = ::openat(::dirfd(dir), entry->d_name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            continue;
        struct stat info
        {
        };
        // A writer at work holds its lock; a killed one held it no longer.
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
        ::close(fd);
    }
    ::closedir(dir);
}

TAtomicFileWriter::~TAtomicFileWriter()
{
    Discard();
}

void TAtomicFileWriter::SetError(const std::string& what, int error)
{
    if (Message.empty())
        Message = what + " " + std::strerror(error);
}

void TAtomicFileWriter::Discard()
{
    if (!TempPath.empty()) {
        ::unlink(TempPath.c_str());
        TempPath.clear();
    }
    if (Fd >= 0) {
        ::close(Fd);
        Fd = -1;
    }
}

void TAtomicFileWriter::Write(std::string_view bytes)
{
    while (!Failed() && !bytes.empty()) {
        const ssize_t written = ::write(Fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            SetError("Cannot write \"" + Target + "\".", errno);
        } else {
            bytes.remove_prefix(static_cast<std::size_t>(written));
        }
    }
}

bool TAtomicFileWriter::Commit()
{
    if (!Failed() && ::fsync(Fd) != 0)
        SetError("Cannot write \"" + Target + "\".", errno);
    // Renamed while still open and locked, so that no clean-up can take the file in between.
    if (!Failed() && ::rename(TempPath.c_str(), Target.c_str()) != 0)
        SetError("Cannot replace \"" + Target + "\".", errno);
    if (Failed()) {
        Discard();
        return false;
    }
    TempPath.clear();
    const int fd = Fd;
    Fd = -1;
    if (::close(fd) != 0)
        SetError("Cannot write \"" + Target + "\".", errno);
    // Make the rename itself durable; failing here loses nothing already written.
    const std::string folder = std::filesystem::path(Target).parent_path().string();
    const int dirFd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return !Failed();
}
