#include "models/NumericSlot.h"

#include <charconv>

namespace {

// The number `text` starts with; `whole` tells whether it is exactly that number's decimal form.
std::uint64_t LeadingNumber(std::string_view text, bool& whole)
{
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc())
        value = 0;
    whole = error == std::errc() && stop == end && (text.size() == 1 || text.front() != '0');
    return value;
}

} // namespace

TNumericSlot::TNumericSlot(std::uint64_t number)
{
    if (number < PlainBit)
        Bits = number | PlainBit;
    else
        Other = std::make_unique<std::string>(std::to_string(number));
}

TNumericSlot::TNumericSlot(std::string_view text)
{
    if (text.empty())
        return;
    bool whole = false;
    const std::uint64_t value = LeadingNumber(text, whole);
    if (whole && value < PlainBit)
        Bits = value | PlainBit;
    else
        Other = std::make_unique<std::string>(text);
}

TNumericSlot::TNumericSlot(const TNumericSlot& other)
    : Bits(other.Bits), Other(other.Other ? std::make_unique<std::string>(*other.Other) : nullptr)
{
}

TNumericSlot& TNumericSlot::operator=(const TNumericSlot& other)
{
    if (this != &other)
        *this = TNumericSlot(other);
    return *this;
}

std::optional<std::uint64_t> TNumericSlot::Number() const
{
    if (Bits & PlainBit)
        return Bits & ~PlainBit;
    if (!Other)
        return std::nullopt;
    bool whole = false;
    const std::uint64_t value = LeadingNumber(*Other, whole);
    return whole ? std::optional(value) : std::nullopt;
}

std::uint64_t TNumericSlot::LeadingOfText() const
{
    bool whole = false;
    return Other ? LeadingNumber(*Other, whole) : 0;
}

std::string TNumericSlot::Text() const
{
    if (Bits & PlainBit)
        return std::to_string(Bits & ~PlainBit);
    return Other ? *Other : std::string();
}

std::size_t TNumericSlot::HeapBytes() const
{
    if (!Other)
        return 0;
    return sizeof(std::string) + (Other->capacity() > 15 ? Other->capacity() + 1 : 0);
}
