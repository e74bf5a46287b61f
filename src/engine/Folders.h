#pragma once

#include "settings/ConfigKeys.h"

#include <string>
#include <string_view>

// The folders the program works in. ProgramFolder and DataFolder are computed once at start-up and
// handed, read-only, to whatever needs them; tests build their own TFolders pointing at temporary
// folders. Every folder path ends with '/', so a file name is simply appended.
struct TFolders
{
    std::string ProgramFolder; // folder of the running program file (help pages, the program file)
    std::string DataFolder;    // configuration home + "/Morvane/Quarrow 2009/"

    std::string ConfigPath() const { return DataFolder + std::string(ConfigKeys::ConfigFileName); }
    std::string DateMaskPath() const { return DataFolder + "datemask.ini"; }
    std::string RdapBootstrapPath() const { return DataFolder + std::string(ConfigKeys::RdapBootstrapFileName); }
    // The user's own datemask.ini when there is one, else the shipped one (installed or beside the
    // program), so that a data folder the program cannot write to still reads the registries' date
    // styles and not only the built-in masks.
    std::string DateMaskFileToLoad() const;
};

// Folder ids understood by GetSpecialFolderPath.
inline constexpr int FolderAppData = 26;  // the XDG configuration home
inline constexpr int FolderDocuments = 5; // the XDG documents folder

// Appended to the configuration home and to the documents folder.
inline constexpr std::string_view ProductSubfolder = "/Morvane/Quarrow 2009/";

// The path of a folder by id, without a trailing separator; empty for an unknown id or when the
// system cannot name the folder.
std::string GetSpecialFolderPath(int folderId);

// Documents folder + "/Morvane/Quarrow 2009/", looked up afresh on every call.
std::string ProjectsFolder();

// Folder of the running executable with a trailing '/'; empty when it cannot be determined.
std::string ExecutableFolder();

// ProgramFolder and DataFolder as start-up computes them; creates nothing.
TFolders ComputeFolders();

// Start-up: computes the folders and creates DataFolder and ProjectsFolder() with every missing
// parent. A folder that cannot be created is not reported: later reads of the configuration
// file then simply give their defaults.
TFolders PrepareFolders();

// Creates `path` and every missing parent; false when it does not exist as a folder afterwards.
bool ForceDirectories(const std::string& path);
