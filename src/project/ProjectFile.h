#pragma once

#include "core/DomainRow.h"
#include "core/WordEntry.h"
#include "project/XMLSaveLoad.h"

#include <optional>
#include <string>
#include <vector>

// Everything a project file holds, in plain form: what the window, the command line and the
// check engine exchange with the store.
struct TProjectData
{
    bool UsePrefix = false;
    bool UseSuffix = false;
    bool UseHyphens = false;
    std::vector<TWordEntry> Prefixes;
    std::vector<TWordEntry> Keywords;
    std::vector<TWordEntry> Suffixes;
    std::vector<TWordEntry> Tlds;
    std::vector<TDomainRow> Rows;
    std::vector<std::string> AnswerLog;
};

// What a word-list file holds.
struct TWordListData
{
    std::vector<TWordEntry> Prefixes;
    std::vector<TWordEntry> Suffixes;
};

// The message a refused file gives.
inline constexpr const char* WrongXmlFileText = "Wrong XML file.";

// Selects and reads a project file through the store. std::nullopt when its header is refused
// (WrongXmlFileText); throws TQuarrowError when it cannot be read or is not well formed. Nothing is
// returned half read, so the caller applies all of it or nothing.
std::optional<TProjectData> LoadProject(TXMLSaveLoad& store, const std::string& path);
// Writes a project into the file (keeping what the file holds that this save does not write).
// False, with store.LastError() saying why, when the file cannot be written; the old file is then
// whole. Throws TQuarrowError like LoadProject when the target exists and is not well formed.
bool SaveProject(TXMLSaveLoad& store, const std::string& path, const TProjectData& project);
// Writes a project as a whole new file: nothing the file held before survives (its old rows and
// answers beyond the new counts included). Fails like SaveProject, but never throws.
bool SaveNewProject(TXMLSaveLoad& store, const std::string& path, const TProjectData& project);

std::optional<TWordListData> LoadWordListFile(TXMLSaveLoad& store, const std::string& path);
bool SaveWordListFile(TXMLSaveLoad& store, const std::string& path, const TWordListData& words);
