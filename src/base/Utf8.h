#pragma once

#include <string>
#include <string_view>

// True when `text` is well-formed UTF-8 as RFC 3629 defines it: no overlong forms, no surrogate
// halves (U+D800..U+DFFF), nothing above U+10FFFF, no sequence cut short.
bool IsValidUtf8(std::string_view text);

// `text` itself when it is valid UTF-8, else its Latin-1 reading encoded as UTF-8: bytes from
// hosts that answer in a legacy code page stay readable and every output stays valid UTF-8.
std::string Utf8OrLatin1(std::string_view text);
