#pragma once

#include <charconv>
#include <string_view>
#include <system_error>
#include <type_traits>

// Whole-text number parsing: the entire text must be the number, else false and `value` is left
// alone. Out-of-range numbers are refused, not wrapped.

// Decimal digits with an optional leading '+' or (for signed types) '-'.
template <typename T> bool ParseDecimal(std::string_view text, T& value)
{
    static_assert(std::is_integral_v<T>);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-')
            return false; // from_chars would take "+-1" as -1
    }
    if (text.empty())
        return false;
    T parsed{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (error != std::errc() || end != text.data() + text.size())
        return false;
    value = parsed;
    return true;
}

// Hexadecimal digits only (no "0x", no sign), either letter case.
template <typename T> bool ParseHex(std::string_view digits, T& value)
{
    static_assert(std::is_integral_v<T>);
    if (digits.empty() || digits.front() == '-' || digits.front() == '+')
        return false;
    T parsed{};
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), parsed, 16);
    if (error != std::errc() || end != digits.data() + digits.size())
        return false;
    value = parsed;
    return true;
}
