#include "project/JournalWriter.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void AppendField(std::string& payload, std::string_view field)
{
    payload += std::to_string(field.size());
    payload += ':';
    payload += field;
}

bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// A new name lives in its folder's entries: the folder is synced too.
void SyncFolderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

TJournalWriter::~TJournalWriter()
{
    Close();
}

std::string TJournalWriter::Encode(const TJournalRecord& record)
{
    std::string payload;
    payload.reserve(record.Caption.size() + record.Answers.size() + record.Registrar.size() +
                    record.WhoisServer.size() + record.Expires.size() + 64);
    AppendField(payload, record.Caption);
    AppendField(payload, JournalLayout::VerdictWord(record.Verdict));
    AppendField(payload, record.Registrar);
    AppendField(payload, record.WhoisServer);
    AppendField(payload, record.Expires);
    AppendField(payload, record.Answers);
    char head[48];
    std::snprintf(head, sizeof head, "R %zu %08x\n", payload.size(),
                  static_cast<unsigned>(JournalLayout::Crc32(payload)));
    return head + payload + '\n';
}

bool TJournalWriter::Fail(const std::string& what, int error)
{
    Message = what + " \"" + FilePath + "\": " + std::strerror(error);
    return false;
}

bool TJournalWriter::Open(const std::string& path)
{
    Close();
    FilePath = path;
    Message.clear();
    Fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (Fd < 0)
        return Fail("cannot open the journal", errno);
    struct stat info
    {
    };
    if (::fstat(Fd, &info) != 0)
        return Fail("cannot read the journal", errno);
    if (info.st_size == 0) {
        if (!WriteAll(Fd, JournalLayout::Header) || ::fdatasync(Fd) != 0) {
            const int error = errno;
            ::close(Fd);
            Fd = -1;
            return Fail("cannot write the journal", error);
        }
        SyncFolderOf(path);
    }
    return true;
}

bool TJournalWriter::Append(const TJournalRecord& record)
{
    if (Fd < 0 || !Message.empty())
        return false;
    if (!WriteAll(Fd, Encode(record)))
        return Fail("cannot write the journal", errno);
    Dirty = true;
    return true;
}

bool TJournalWriter::Sync()
{
    if (Fd < 0 || !Dirty)
        return Message.empty();
    Dirty = false;
    if (::fdatasync(Fd) != 0)
        return Fail("cannot sync the journal", errno);
    return true;
}

void TJournalWriter::Close()
{
    if (Fd < 0)
        return;
    Sync();
    ::close(Fd);
    Fd = -1;
}

bool TJournalWriter::Remove()
{
    if (Fd >= 0) {
        ::close(Fd);
        Fd = -1;
    }
    Dirty = false;
    if (FilePath.empty())
        return true;
    if (::unlink(FilePath.c_str()) != 0 && errno != ENOENT)
        return Fail("cannot remove the journal", errno);
    return true;
}
