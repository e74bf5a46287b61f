#include "engine/NumericSlot.h"

#include <charconv>

TNumericSlot::TNumericSlot(std::uint64_t number) : Value(number), Plain(true) {}

TNumericSlot::TNumericSlot(std::string_view text)
{
    if (text.empty())
        return;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, Value);
    if (error != std::errc())
        Value = 0;
    Plain = error == std::errc() && stop == end && (text.size() == 1 || text.front() != '0');
    if (!Plain)
        Other = std::make_unique<std::string>(text);
}

TNumericSlot::TNumericSlot(const TNumericSlot& other)
    : Value(other.Value), Other(other.Other ? std::make_unique<std::string>(*other.Other) : nullptr), Plain(other.Plain)
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
    if (!Plain)
        return std::nullopt;
    return Value;
}

std::string TNumericSlot::Text() const
{
    if (Plain)
        return std::to_string(Value);
    return Other ? *Other : std::string();
}

std::size_t TNumericSlot::HeapBytes() const
{
    if (!Other)
        return 0;
    return sizeof(std::string) + (Other->capacity() > 15 ? Other->capacity() + 1 : 0);
}
