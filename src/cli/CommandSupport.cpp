#include "cli/ArgumentReader.h"
#include "cli/CliCommands.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

void ReportFailure(const std::string& command, std::string message)
{
    // One line, whatever a file name, a host or the system put into the message.
    for (char& c : message)
        if (c == '\n' || c == '\r')
            c = ' ';
    std::fprintf(stderr, "quarrow-cli: %s: %s\n", command.c_str(), message.c_str());
}

bool WriteOut(std::string_view text)
{
    return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && !std::ferror(stdout);
}

void RequireReadableFile(const std::string& path, const std::string& what)
{
    struct stat info
    {
    };
    std::string reason;
    if (::stat(path.c_str(), &info) != 0)
        reason = std::strerror(errno);
    else if (S_ISDIR(info.st_mode))
        reason = "It is a folder.";
    else if (!S_ISREG(info.st_mode))
        reason = "It is not a regular file.";
    else if (::access(path.c_str(), R_OK) != 0)
        reason = std::strerror(errno);
    if (!reason.empty())
        throw TUsageError("cannot read the " + what + " \"" + path + "\": " + reason);
}
