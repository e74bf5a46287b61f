#include "settings/ShowTourFlag.h"

#include "base/QuarrowError.h"
#include "settings/ConfigKeys.h"
#include "settings/IniFile.h"

bool TakeShowTourFlag(const std::string& iniPath)
{
    const TIniFile ini(iniPath);
    const bool show = ini.Read(ConfigKeys::ShowTour);
    try {
        ini.Write(ConfigKeys::ShowTour, false);
    } catch (const TQuarrowError&) {
        // The tour then shows again next time; nothing else depends on the write.
    }
    return show;
}
