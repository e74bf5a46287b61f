#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// The value of a slot that the program fills with a decimal number (slot 4, the answers-log
// index, and slot 5, the start tick) but that a project file may fill with any text. The number is
// kept as a number when the text is exactly its decimal form, so readers never parse; any other
// text is kept byte for byte beside it, so that a save writes back what was loaded.
class TNumericSlot
{
public:
    TNumericSlot() = default;
    explicit TNumericSlot(std::uint64_t number);
    explicit TNumericSlot(std::string_view text);
    TNumericSlot(const TNumericSlot& other);
    TNumericSlot& operator=(const TNumericSlot& other);
    TNumericSlot(TNumericSlot&&) noexcept = default;
    TNumericSlot& operator=(TNumericSlot&&) noexcept = default;

    bool Empty() const { return Bits == 0 && !Other; }
    // Set only when the text is the number's own decimal form (no sign, blank or leading zero).
    std::optional<std::uint64_t> Number() const;
    // The number the text starts with, 0 when it starts with none: how a start tick is read.
    std::uint64_t Leading() const { return (Bits & PlainBit) ? Bits & ~PlainBit : LeadingOfText(); }
    std::string Text() const;
    // Heap bytes held beside the value (for memory figures).
    std::size_t HeapBytes() const;

private:
    std::uint64_t LeadingOfText() const;

    // Sixteen bytes, as every row holds two: a number below 2^63 is kept in Bits with the top bit
    // set; any other text (larger numbers included) in Other.
    static constexpr std::uint64_t PlainBit = std::uint64_t{1} << 63;
    std::uint64_t Bits = 0;
    std::unique_ptr<std::string> Other;
};
