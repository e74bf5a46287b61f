#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

enum TSortDirection
{
    sdAscending,
    sdDescending
};

// The list's sort type: stText and stBoth keep the rows sorted as captions arrive; stData sorts
// only on request, as the table has no comparison handler of its own; stNone never sorts.
enum TSortType
{
    stNone,
    stData,
    stText,
    stBoth
};

// The value handed to each comparison of a sort: the column to compare in the low 16 bits, and in
// the high 16 bits 1 for ascending or 0xFFFF (-1) for descending.
using TSortParam = std::uint32_t;

inline TSortParam MakeSortParam(int column, TSortDirection direction)
{
    const std::uint32_t sign = direction == sdAscending ? 1u : 0xFFFFu;
    return (sign << 16) | (static_cast<std::uint32_t>(column) & 0xFFFFu);
}

inline int SortParamColumn(TSortParam param)
{
    return static_cast<int>(param & 0xFFFFu);
}

// The low byte of the high half read as a signed 8-bit number: +1 or -1.
inline int SortParamSign(TSortParam param)
{
    return static_cast<std::int8_t>((param >> 16) & 0xFFu);
}

// One text prepared for comparison: what it reads as, and the head of its collation key inline so
// that a sort of a million rows rarely leaves the array it sorts. KeyTail (bytes past the head)
// lives in a string the sort owns. Keys hold no zero bytes, so the zero padding of a short head
// orders like the end of the key.
struct TSortItem
{
    enum TKind : std::uint8_t
    {
        Empty = 1,
        Number = 2,
        DateTime = 4,
        Keyed = 8,      // the collation key is filled in
        Classified = 16 // Empty, Number and DateTime are filled in
    };
    double NumberValue = 0;
    double Moment = 0;
    std::uint64_t KeyHead[2] = {0, 0};
    std::uint32_t TailOffset = 0;
    std::uint32_t TailLength = 0;
    std::int32_t Row = 0;
    std::uint8_t Kind = 0;
};

// Stores a collation key (bytes without zeros) in `item`: its head inline, the rest appended to
// `tails`; marks the item Keyed.
inline void PutSortKey(const std::uint8_t* key, std::size_t length, TSortItem& item, std::string& tails)
{
    item.KeyHead[0] = item.KeyHead[1] = 0;
    const std::size_t head = std::min<std::size_t>(length, 16);
    for (std::size_t k = 0; k < head; ++k)
        item.KeyHead[k / 8] |= static_cast<std::uint64_t>(key[k]) << (8 * (7 - k % 8));
    item.TailOffset = static_cast<std::uint32_t>(tails.size());
    item.TailLength = static_cast<std::uint32_t>(length - head);
    tails.append(reinterpret_cast<const char*>(key) + head, length - head);
    item.Kind |= TSortItem::Keyed;
}

namespace SortCompareDetail {

template <typename T> int Sign(T a, T b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

inline int CompareKeys(const TSortItem& a, const TSortItem& b, const std::string& tails)
{
    if (a.KeyHead[0] != b.KeyHead[0])
        return Sign(a.KeyHead[0], b.KeyHead[0]);
    if (a.KeyHead[1] != b.KeyHead[1])
        return Sign(a.KeyHead[1], b.KeyHead[1]);
    const std::uint32_t common = std::min(a.TailLength, b.TailLength);
    if (common > 0) {
        const int result = std::memcmp(tails.data() + a.TailOffset, tails.data() + b.TailOffset, common);
        if (result != 0)
            return result < 0 ? -1 : 1;
    }
    return Sign(a.TailLength, b.TailLength);
}

} // namespace SortCompareDetail

// Compares two prepared texts: two decimal numbers by value, else two dates or times by moment,
// else by the user's collation; an empty text after every other. -1, 0 or 1. `tails` is the
// string that holds the keys' tails. Inline: a sort of a million rows calls it tens of millions
// of times.
inline int SortTextCompare(const TSortItem& a, const TSortItem& b, const std::string& tails)
{
    using SortCompareDetail::Sign;
    if ((a.Kind & b.Kind & TSortItem::Number) != 0)
        return Sign(a.NumberValue, b.NumberValue);
    if ((a.Kind & b.Kind & TSortItem::DateTime) != 0)
        return Sign(a.Moment, b.Moment);
    const bool aEmpty = a.Kind & TSortItem::Empty;
    const bool bEmpty = b.Kind & TSortItem::Empty;
    if (aEmpty || bEmpty)
        return aEmpty == bEmpty ? 0 : (aEmpty ? 1 : -1);
    return SortCompareDetail::CompareKeys(a, b, tails);
}

// Two rows' texts in the param's column compared, with the param's direction applied.
inline int SortItemCompare(const TSortItem& row1, const TSortItem& row2, TSortParam param, const std::string& tails)
{
    return SortTextCompare(row1, row2, tails) * SortParamSign(param);
}
