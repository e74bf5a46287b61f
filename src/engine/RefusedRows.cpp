#include "engine/RefusedRows.h"

std::optional<std::string> TRefusedRows::Refused(TRowId row, std::uint64_t now, std::uint64_t nextWaitMs,
                                                 std::uint64_t boundMs)
{
    TCount& count = Rows[row];
    if (count.Times++ == 0)
        count.FirstAt = now;
    if (count.Times < Limit && (boundMs == 0 || now - count.FirstAt + nextWaitMs <= boundMs))
        return std::nullopt;
    // Tenths of a second: enough for a person, and the same on every machine for a given clock.
    const std::uint64_t tenths = (now - count.FirstAt + 50) / 100;
    std::string seconds = std::to_string(tenths / 10);
    if (tenths % 10 != 0)
        seconds += "." + std::to_string(tenths % 10);
    const std::string line =
        "The host kept refusing (" + std::to_string(count.Times) + " times in " + seconds + " s).\r\n";
    Rows.erase(row);
    return line;
}
