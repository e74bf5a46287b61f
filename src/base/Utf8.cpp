#include "base/Utf8.h"

#include <cstdint>

bool IsValidUtf8(std::string_view text)
{
    std::size_t i = 0;
    const std::size_t size = text.size();
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
    while (i < size) {
        const unsigned char lead = byte(i);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        std::uint32_t code = 0;
        std::uint32_t least = 0;
        if ((lead & 0xE0) == 0xC0) {
            length = 2;
            code = lead & 0x1F;
            least = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            code = lead & 0x0F;
            least = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            code = lead & 0x07;
            least = 0x10000;
        } else {
            return false; // a continuation byte first, or 0xF8..0xFF
        }
        if (size - i < length)
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((byte(i + k) & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (byte(i + k) & 0x3F);
        }
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

std::string Utf8OrLatin1(std::string_view text)
{
    if (IsValidUtf8(text))
        return std::string(text);
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (b >> 6));
            out += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return out;
}

bool Latin1FromUtf8(std::string_view text, std::string& latin1)
{
    if (!IsValidUtf8(text))
        return false;
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            out += text[i];
            continue;
        }
        // Only C2 and C3 lead U+0080..U+00FF; valid UTF-8 guarantees the continuation byte.
        if (lead != 0xC2 && lead != 0xC3)
            return false;
        out += static_cast<char>(((lead & 0x03) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3F));
        ++i;
    }
    latin1 = std::move(out);
    return true;
}
