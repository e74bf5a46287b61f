// Compiled into each stamped program with QUARROW_STAMP_VERSION set to "major,minor,release,build".
#include "core/VersionStamp.h"

namespace {

constexpr std::uint32_t StampWords[] = {QUARROW_STAMP_VERSION};
static_assert(sizeof StampWords / sizeof StampWords[0] == 4, "four version numbers");

[[gnu::used, gnu::section("quarrow_version")]] const TVersionStamp Stamp = {
    {VersionStampMagic[0], VersionStampMagic[1], VersionStampMagic[2], VersionStampMagic[3], VersionStampMagic[4],
     VersionStampMagic[5], VersionStampMagic[6], VersionStampMagic[7]},
    (StampWords[0] << 16) | (StampWords[1] & 0xFFFF),
    (StampWords[2] << 16) | (StampWords[3] & 0xFFFF)};

} // namespace
