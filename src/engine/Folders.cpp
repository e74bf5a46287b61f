#include "engine/Folders.h"

#include "settings/ShippedData.h"

#include <QFile>
#include <QStandardPaths>
#include <QString>

#include <filesystem>
#include <system_error>

#include <unistd.h>

std::string GetSpecialFolderPath(int folderId)
{
    QStandardPaths::StandardLocation location;
    switch (folderId) {
    case FolderAppData:
        location = QStandardPaths::GenericConfigLocation;
        break;
    case FolderDocuments:
        location = QStandardPaths::DocumentsLocation;
        break;
    default:
        return {};
    }
    // File names are bytes in the local encoding, as every other path the program handles.
    std::string path = QFile::encodeName(QStandardPaths::writableLocation(location)).toStdString();
    // Callers append "/Morvane/..." themselves; the root folder thus becomes "" and still ends up
    // naming the same place.
    while (!path.empty() && path.back() == '/')
        path.pop_back();
    return path;
}

std::string ProjectsFolder()
{
    return GetSpecialFolderPath(FolderDocuments) + std::string(ProductSubfolder);
}

std::string ExecutableFolder()
{
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || !program.has_parent_path())
        return {};
    std::string folder = program.parent_path().string();
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

TFolders ComputeFolders()
{
    TFolders folders;
    folders.ProgramFolder = ExecutableFolder();
    folders.DataFolder = GetSpecialFolderPath(FolderAppData) + std::string(ProductSubfolder);
    return folders;
}

TFolders PrepareFolders()
{
    TFolders folders = ComputeFolders();
    ForceDirectories(folders.DataFolder);
    ForceDirectories(ProjectsFolder());
    return folders;
}

bool ForceDirectories(const std::string& path)
{
    if (path.empty())
        return false;
    std::error_code error;
    std::filesystem::create_directories(path, error);
    return std::filesystem::is_directory(path, error);
}

std::string TFolders::DateMaskFileToLoad() const
{
    const std::string own = DateMaskPath();
    if (::access(own.c_str(), R_OK) == 0)
        return own;
    const std::string shipped = TShippedData(ProgramFolder).FilePath("datemask.ini");
    return shipped.empty() ? own : shipped;
}
