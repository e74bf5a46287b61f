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

    bool Empty() const { return !Plain && !Other; }
    // Set only when the text is the number's own decimal form (no sign, blank or leading zero).
    std::optional<std::uint64_t> Number() const;
    // The number the text starts with, 0 when it starts with none: how a start tick is read.
    std::uint64_t Leading() const { return Value; }
    std::string Text() const;
    // Heap bytes held beside the value (for memory figures).
    std::size_t HeapBytes() const;

private:
    std::uint64_t Value = 0;
    std::unique_ptr<std::string> Other; // text that is not a plain number
    bool Plain = false;                 // Value is the whole text
};
