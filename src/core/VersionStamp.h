#pragma once

#include <cstdint>

// The product version the build stamps into the program file, in a section of its own so that the
// About box can read it from the file on disk (not from the running process), as a version
// resource is read. The two words follow the layout of a fixed version record: major and minor in
// the most significant word, release and build in the least significant one.
struct TVersionStamp
{
    char Magic[8];
    std::uint32_t ProductVersionMS;
    std::uint32_t ProductVersionLS;
};

inline constexpr char VersionStampSection[] = "quarrow_version";
inline constexpr char VersionStampMagic[8] = {'Q', 'R', 'W', 'V', 'E', 'R', '1', '\0'};
