#include "project/JournalReader.h"

#include <charconv>
#include <limits>
#include <optional>

namespace {

// A decimal length without sign or leading zero (a second form of one number would be a way round
// the checksum's meaning); std::nullopt when `text` is not one.
std::optional<std::uint64_t> LengthOf(std::string_view text)
{
    if (text.empty() || text.size() > 12 || (text.size() > 1 && text.front() == '0'))
        return std::nullopt;
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<std::uint32_t> ChecksumOf(std::string_view text)
{
    if (text.size() != 8)
        return std::nullopt;
    std::uint32_t value = 0;
    for (const char c : text) {
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else
            return std::nullopt;
        value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    return value;
}

// Takes "<bytes>:<field>" off the front of `payload`.
std::optional<std::string_view> TakeField(std::string_view& payload)
{
    const auto colon = payload.find(':');
    if (colon == std::string_view::npos)
        return std::nullopt;
    const std::optional<std::uint64_t> size = LengthOf(payload.substr(0, colon));
    if (!size || *size > payload.size() - colon - 1)
        return std::nullopt;
    const std::string_view field = payload.substr(colon + 1, static_cast<std::size_t>(*size));
    payload.remove_prefix(colon + 1 + field.size());
    return field;
}

std::optional<TJournalRecord> DecodePayload(std::string_view payload)
{
    std::optional<std::string_view> fields[6];
    for (auto& field : fields)
        if (!(field = TakeField(payload)))
            return std::nullopt;
    const TRowResult verdict = RowResultOf(*fields[1]);
    // A journal holds only what checks end with.
    if (!payload.empty() || fields[0]->empty() ||
        (verdict != TRowResult::Available && verdict != TRowResult::Registered && verdict != TRowResult::Error))
        return std::nullopt;
    return TJournalRecord{std::string(*fields[0]), verdict,
                          std::string(*fields[2]), std::string(*fields[3]),
                          std::string(*fields[4]), std::string(*fields[5])};
}

} // namespace

TJournalReader::TContents TJournalReader::Read(std::string_view bytes)
{
    TContents contents;
    const std::string_view header = JournalLayout::Header;
    if (bytes.size() < header.size()) {
        // Killed before the header was whole: nothing was recorded yet.
        if (header.substr(0, bytes.size()) != bytes)
            contents.Status = TStatus::Unreadable;
        else if (!bytes.empty())
            contents.Status = TStatus::CutOff;
        return contents;
    }
    if (bytes.substr(0, header.size()) != header) {
        contents.Status = TStatus::Unreadable;
        return contents;
    }
    std::size_t at = header.size();
    contents.WholeBytes = at;
    while (at < bytes.size()) {
        const std::string_view rest = bytes.substr(at);
        // "R " length " " checksum "\n": at most 2 + 12 + 1 + 8 + 1 bytes.
        const std::size_t lineEnd = rest.substr(0, 24).find('\n');
        if (lineEnd == std::string_view::npos) {
            contents.Status = rest.size() < 24 && rest.front() == 'R' ? TStatus::CutOff : TStatus::Damaged;
            return contents;
        }
        const std::string_view line = rest.substr(0, lineEnd);
        const auto space = line.find(' ', 2);
        // A frame line that does not parse reads as a length past any payload, so one test refuses
        // both.
        constexpr std::uint64_t Unreadable = std::numeric_limits<std::uint64_t>::max();
        const std::uint64_t size = line.size() > 2 && line.substr(0, 2) == "R " && space != std::string_view::npos
                                       ? LengthOf(line.substr(2, space - 2)).value_or(Unreadable)
                                       : Unreadable;
        const std::optional<std::uint32_t> checksum =
            space != std::string_view::npos ? ChecksumOf(line.substr(space + 1)) : std::nullopt;
        if (!checksum || size > JournalLayout::MaxPayloadBytes) {
            contents.Status = TStatus::Damaged;
            return contents;
        }
        const std::size_t frame = lineEnd + 1 + static_cast<std::size_t>(size) + 1;
        if (frame > rest.size()) {
            contents.Status = TStatus::CutOff;
            return contents;
        }
        const std::string_view payload = rest.substr(lineEnd + 1, static_cast<std::size_t>(size));
        std::optional<TJournalRecord> record;
        if (rest[frame - 1] == '\n' && JournalLayout::Crc32(payload) == *checksum)
            record = DecodePayload(payload);
        if (!record) {
            contents.Status = TStatus::Damaged;
            return contents;
        }
        contents.Records.push_back(std::move(*record));
        at += frame;
        contents.WholeBytes = at;
    }
    return contents;
}
