#pragma once

#include <QString>

#include <cstdint>
#include <string>

class TSortTextReader;

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

// Compares two prepared texts: two decimal numbers by value, else two dates or times by moment,
// else by the user's collation; an empty text after every other. -1, 0 or 1. `tails` is the
// string that holds the keys' tails.
int SortTextCompare(const TSortItem& a, const TSortItem& b, const std::string& tails);

// The same comparison of two plain texts.
int SortTextCompare(const QString& a, const QString& b, const TSortTextReader& reader);

// Two rows' texts in the param's column compared, with the param's direction applied.
inline int SortItemCompare(const TSortItem& row1, const TSortItem& row2, TSortParam param, const std::string& tails)
{
    return SortTextCompare(row1, row2, tails) * SortParamSign(param);
}
