#pragma once

#include <string>
#include <string_view>

// Byte-wise text helpers. Names, keys and labels compare in ASCII case only: bytes above 127
// belong to whatever encoding the text came in and are left as they are.

constexpr char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr char UpperAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string LowerAscii(std::string_view text);
std::string UpperAscii(std::string_view text);
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// Space and tab: what separates the parts of a line in the files the program writes.
constexpr bool IsSpaceOrTab(char c)
{
    return c == ' ' || c == '\t';
}

// Space and every control character: WHOIS hosts and word lists pad with tabs, stray CRs and NULs.
constexpr bool IsBlankOrControl(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

// Without leading and trailing spaces and tabs.
std::string_view TrimSpaces(std::string_view text);
// Without leading and trailing blanks and control characters.
std::string_view TrimView(std::string_view text);
std::string Trim(std::string_view text);

// Non-overlapping, left to right, exact case; an empty pattern returns the source unchanged.
std::string ReplaceAll(std::string_view source, std::string_view pattern, std::string_view replacement);
