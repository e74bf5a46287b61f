#include "project/JournalRecord.h"

#include <array>

namespace {

// The IEEE polynomial, as zip and PNG use it, table-driven.
constexpr std::array<std::uint32_t, 256> CrcTable()
{
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 1u) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

constexpr std::array<std::uint32_t, 256> Table = CrcTable();

} // namespace

std::uint32_t JournalLayout::Crc32(std::string_view bytes)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const char c : bytes)
        crc = Table[(crc ^ static_cast<unsigned char>(c)) & 0xFFu] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

std::string_view JournalLayout::VerdictWord(TRowResult verdict)
{
    // A journal holds final results only, so a row without a verdict word of its own (never checked,
    // or a hand-written text) is written as what a check that brought no verdict gives it.
    const std::string_view word = RowResultText(verdict);
    return word.empty() ? RowResultText(TRowResult::Error) : word;
}
