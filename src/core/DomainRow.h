#pragma once

#include "core/RowResult.h"

#include <string>
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
