#include "base/WholeFile.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Why a stat'ed entry cannot be read as a file; empty for a regular file.
std::string NotAFile(const struct stat& info)
{
    if (S_ISREG(info.st_mode))
        return {};
    return S_ISDIR(info.st_mode) ? "It is a folder." : "It is not a regular file.";
}

TWholeFile Failure(std::string error)
{
    TWholeFile file;
    file.Status = TWholeFile::TStatus::Failed;
    file.Error = std::move(error);
    return file;
}

} // namespace

TWholeFile ReadWholeFile(const std::string& path, std::size_t maxBytes)
{
    struct stat info
    {
    };
    if (::stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return {};
        return Failure(std::strerror(errno));
    }
    if (std::string reason = NotAFile(info); !reason.empty())
        return Failure(std::move(reason));

    // The path may have been swapped for a FIFO since the stat: O_NONBLOCK keeps that open from
    // hanging, and the fstat below refuses it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return {};
        return Failure(std::strerror(errno));
    }
    std::string reason;
    if (::fstat(fd, &info) != 0)
        reason = std::strerror(errno);
    else
        reason = NotAFile(info);
    if (reason.empty() && static_cast<std::uint64_t>(info.st_size) > maxBytes)
        reason = "The file is too large.";
    if (!reason.empty()) {
        ::close(fd);
        return Failure(std::move(reason));
    }

    TWholeFile file;
    file.Size = static_cast<std::size_t>(info.st_size);
    file.Data = std::make_unique_for_overwrite<char[]>(file.Size + 1);
    std::size_t done = 0;
    while (done < file.Size) {
        const ssize_t got = ::read(fd, file.Data.get() + done, file.Size - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            reason = got < 0 ? std::strerror(errno) : "The file shrank while it was read.";
            ::close(fd);
            return Failure(std::move(reason));
        }
        done += static_cast<std::size_t>(got);
    }
    ::close(fd);
    file.Data[file.Size] = '\0';
    file.Status = TWholeFile::TStatus::Loaded;
    return file;
}
