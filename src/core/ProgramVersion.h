#pragma once

#include <string>

// The product version stamped into a program file (see VersionStamp.h).
struct TProductVersion
{
    unsigned Major = 0;
    unsigned Minor = 0;
    unsigned Release = 0;
    unsigned Build = 0;
};

// Reads the stamp from the ELF file at `programFile`; false when the file is missing, is not a
// 64-bit little-endian ELF file, or carries no stamp.
bool ReadProductVersion(const std::string& programFile, TProductVersion& version);

// The About box's version line: "Quarrow 2009™ v" followed by major.minor, " beta " and the release
// when the file carries a stamp; the build number is not shown.
std::string VersionText(const std::string& programFile);
