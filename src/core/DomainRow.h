#pragma once

#include <string>
#include <string_view>
#include <vector>

// Plain form of one domain-table row, as projects store it: the caption (the domain name), the
// tick and the text slots (0 Availability, 1 Registrar, 2 Whois Server, 3 Expires, 4 AnswerIndex,
// 5 StartTick). The engine's table model keeps rows in a more compact form and converts.
struct TDomainRow
{
    std::string Caption;
    bool Checked = false;
    std::vector<std::string> Slots;

    bool operator==(const TDomainRow&) const = default;
};

enum TDomainSlot
{
    SlotAvailability = 0,
    SlotRegistrar = 1,
    SlotWhoisServer = 2,
    SlotExpires = 3,
    SlotAnswerIndex = 4,
    SlotStartTick = 5,
    DomainSlotCount = 6
};

// What slot 0 (Availability) says, as the filters and counts of the table read it. Any other text
// (a project written by hand) is Other: it shows only among all rows.
enum class TRowResult : unsigned char
{
    Unchecked,  // slot 0 empty: not checked yet
    Available,  // "YES"
    Registered, // "NO"
    Error,      // "RESULT ERROR"
    Other
};
inline constexpr int RowResultCount = 5;

inline TRowResult RowResultOf(std::string_view availability)
{
    if (availability.empty())
        return TRowResult::Unchecked;
    if (availability == "YES")
        return TRowResult::Available;
    if (availability == "NO")
        return TRowResult::Registered;
    if (availability == "RESULT ERROR")
        return TRowResult::Error;
    return TRowResult::Other;
}
