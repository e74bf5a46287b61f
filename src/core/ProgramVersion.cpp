#include "core/ProgramVersion.h"

#include "core/VersionStamp.h"

#include <algorithm>
#include <cstring>
#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Reads exactly `size` bytes at `offset`, refusing anything outside the file.
bool ReadAt(int fd, std::uint64_t fileSize, std::uint64_t offset, void* out, std::size_t size)
{
    if (offset > fileSize || size > fileSize - offset)
        return false;
    auto* bytes = static_cast<char*>(out);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = pread(fd, bytes + done, size - done, static_cast<off_t>(offset + done));
        if (got <= 0)
            return false;
        done += static_cast<std::size_t>(got);
    }
    return true;
}

bool FindStamp(int fd, std::uint64_t fileSize, TVersionStamp& stamp)
{
    Elf64_Ehdr header;
    if (!ReadAt(fd, fileSize, 0, &header, sizeof header) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
        header.e_ident[EI_CLASS] != ELFCLASS64 || header.e_ident[EI_DATA] != ELFDATA2LSB ||
        header.e_shentsize != sizeof(Elf64_Shdr) || header.e_shstrndx >= header.e_shnum)
        return false;
    Elf64_Shdr names;
    if (!ReadAt(fd, fileSize, header.e_shoff + std::uint64_t{header.e_shstrndx} * sizeof(Elf64_Shdr), &names,
                sizeof names))
        return false;
    for (unsigned i = 0; i < header.e_shnum; ++i) {
        Elf64_Shdr section;
        if (!ReadAt(fd, fileSize, header.e_shoff + std::uint64_t{i} * sizeof(Elf64_Shdr), &section, sizeof section))
            return false;
        char name[sizeof VersionStampSection] = {};
        if (section.sh_name >= names.sh_size ||
            !ReadAt(fd, fileSize, names.sh_offset + section.sh_name, name,
                    std::min<std::uint64_t>(sizeof name, names.sh_size - section.sh_name)) ||
            std::memcmp(name, VersionStampSection, sizeof name) != 0)
            continue;
        return section.sh_size >= sizeof stamp && ReadAt(fd, fileSize, section.sh_offset, &stamp, sizeof stamp) &&
               std::memcmp(stamp.Magic, VersionStampMagic, sizeof stamp.Magic) == 0;
    }
    return false;
}

} // namespace

bool ReadProductVersion(const std::string& programFile, TProductVersion& version)
{
    // O_NONBLOCK: a FIFO planted under the program's name must not hang the About box.
    const int fd = open(programFile.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat info;
    TVersionStamp stamp;
    const bool found = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
                       FindStamp(fd, static_cast<std::uint64_t>(info.st_size), stamp);
    close(fd);
    if (!found)
        return false;
    version.Major = stamp.ProductVersionMS >> 16;
    version.Minor = stamp.ProductVersionMS & 0xFFFF;
    version.Release = stamp.ProductVersionLS >> 16;
    version.Build = stamp.ProductVersionLS & 0xFFFF;
    return true;
}

std::string VersionText(const std::string& programFile)
{
    std::string text = "Quarrow 2009\u2122 v";
    TProductVersion version;
    if (ReadProductVersion(programFile, version))
        text += std::to_string(version.Major) + "." + std::to_string(version.Minor) + " beta " +
                std::to_string(version.Release);
    return text;
}
