#pragma once

#include <string>
#include <string_view>

// True when `text` is well-formed UTF-8 as RFC 3629 defines it: no overlong forms, no surrogate
// halves (U+D800..U+DFFF), nothing above U+10FFFF, no sequence cut short.
bool IsValidUtf8(std::string_view text);

// `text` itself when it is valid UTF-8, else its Latin-1 reading encoded as UTF-8: bytes from
// hosts that answer in a legacy code page stay readable and every output stays valid UTF-8.
std::string Utf8OrLatin1(std::string_view text);

// The Latin-1 bytes of valid UTF-8 `text`, for comparing a text typed in (UTF-8) with an answer
// that came in Latin-1. False, with `latin1` untouched, when `text` is not valid UTF-8 or holds a
// character beyond U+00FF.
bool Latin1FromUtf8(std::string_view text, std::string& latin1);
