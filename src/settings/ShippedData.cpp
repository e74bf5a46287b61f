#include "settings/ShippedData.h"

#include "base/AtomicFileWriter.h"
#include "base/WholeFile.h"
#include "settings/ServerTableUpgrade.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace {

// From the installed program's folder to the installed data, as the build's install layout has
// it ("../share/quarrow/" for the usual one).
constexpr std::string_view InstalledDataFromProgram = QUARROW_SHARE_FROM_PROGRAM;

// The shipped files are a few kilobytes; anything far larger is not one of them.
constexpr std::size_t MaxShippedBytes = 1024 * 1024;

// True only when the path names nothing at all, or is a link to a file that does not exist yet
// (written through, the link stays and its file is made); a path that cannot be looked at counts
// as taken, so that a file the program cannot see is never overwritten.
bool IsFree(const std::string& path)
{
    const std::string target = TAtomicFileWriter::FollowLinks(path);
    struct stat info;
    return !target.empty() && ::lstat(target.c_str(), &info) != 0 && errno == ENOENT;
}

TDataFolderStatus CannotSave(const std::string& why)
{
    return {false, "Settings cannot be saved. " + why, {}};
}

} // namespace

TShippedData::TShippedData(std::string programFolder) : ProgramFolder(std::move(programFolder)) {}

std::string TShippedData::FilePath(std::string_view name) const
{
    if (ProgramFolder.empty() || name.empty())
        return {};
    for (const std::string& folder : {ProgramFolder + std::string(InstalledDataFromProgram), ProgramFolder}) {
        std::string path = folder + std::string(name);
        if (::access(path.c_str(), F_OK) == 0)
            return path;
    }
    return {};
}

std::string TShippedData::HelpPagePath(std::string_view page) const
{
    return FilePath("help/" + std::string(page));
}

TDataFolderStatus TShippedData::InstallDefaults(const std::string& dataFolder) const
{
    std::error_code error;
    std::filesystem::create_directories(dataFolder, error);
    std::error_code isFolderError;
    if (!std::filesystem::is_directory(dataFolder, isFolderError))
        return CannotSave("Cannot create the folder \"" + dataFolder + "\". " +
                          (error ? error.message() : std::string(std::strerror(ENOTDIR))));

    for (std::string_view name : DefaultFiles) {
        const std::string target = dataFolder + std::string(name);
        if (!IsFree(target))
            continue;
        const std::string source = FilePath(name);
        if (source.empty())
            continue;
        const TWholeFile shipped = ReadWholeFile(source, MaxShippedBytes);
        if (!shipped.Loaded())
            continue;
        // The configuration file will hold the proxy password: owner only from the first byte on.
        TAtomicFileWriter writer(target, {.Mode = 0600, .ExactMode = true, .CreateFolders = false});
        writer.Write(shipped.View());
        if (!writer.Commit())
            return CannotSave(writer.Error());
    }

    // Every later write replaces its file through a new file in this folder.
    if (::access(dataFolder.c_str(), W_OK | X_OK) != 0)
        return CannotSave("Cannot write in the folder \"" + dataFolder + "\". " + std::strerror(errno));
    // A settings file without its owner's write bit is one the user wants left alone, and every
    // write of the settings would refuse it.
    const std::string settings = dataFolder + std::string(DefaultFiles[0]);
    struct stat info;
    const bool haveSettings = ::stat(settings.c_str(), &info) == 0;
    if (haveSettings && (!(info.st_mode & S_IWUSR) || ::access(settings.c_str(), W_OK) != 0))
        return CannotSave("Cannot write \"" + settings + "\": the file is read-only.");
    TDataFolderStatus status;
    if (const std::string table = FilePath(DefaultFiles[0]); haveSettings && S_ISREG(info.st_mode) && !table.empty())
        status.Notice = TServerTableUpgrade(settings, table).Run().Message();
    return status;
}
