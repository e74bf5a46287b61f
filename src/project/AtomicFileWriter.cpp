#include "project/AtomicFileWriter.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

TAtomicFileWriter::TAtomicFileWriter(std::string path) : Target(std::move(path))
{
    namespace fs = std::filesystem;
    std::error_code error;
    // Write through a symbolic link instead of replacing the link by a plain file.
    if (fs::is_symlink(Target, error)) {
        const fs::path resolved = fs::weakly_canonical(Target, error);
        if (!error)
            Target = resolved.string();
    }
    const fs::path folder = fs::path(Target).parent_path();
    if (!folder.empty()) {
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
        if (!(old.st_mode & S_IWUSR)) {
            Message = "Cannot write \"" + Target + "\": the file is read-only.";
            return;
        }
    }

    const std::string base = fs::path(Target).filename().string();
    const std::string prefix = (folder.empty() ? std::string() : folder.string() + "/") + "." + base + ".tmp";
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < 100 && Fd < 0; ++attempt) {
        TempPath = prefix + std::to_string(random() % 1000000);
        Fd = ::open(TempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (Fd < 0 && errno != EEXIST) {
            const int openError = errno;
            TempPath.clear();
            SetError("Cannot create a file in the folder of \"" + Target + "\".", openError);
            return;
        }
    }
    if (Fd < 0) {
        TempPath.clear();
        SetError("Cannot create a temporary file for \"" + Target + "\".", EEXIST);
        return;
    }
    if (exists)
        ::fchmod(Fd, old.st_mode & 07777);
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
    if (Fd >= 0) {
        ::close(Fd);
        Fd = -1;
    }
    if (!TempPath.empty()) {
        ::unlink(TempPath.c_str());
        TempPath.clear();
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
    if (!Failed()) {
        const int fd = Fd;
        Fd = -1;
        if (::close(fd) != 0)
            SetError("Cannot write \"" + Target + "\".", errno);
    }
    if (!Failed() && ::rename(TempPath.c_str(), Target.c_str()) != 0)
        SetError("Cannot replace \"" + Target + "\".", errno);
    if (Failed()) {
        Discard();
        return false;
    }
    TempPath.clear();
    return true;
}
