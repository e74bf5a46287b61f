#include "ui/SortTextCompare.h"

#include "ui/SortTextReader.h"

#include <algorithm>
#include <cstring>

namespace {

template <typename T> int Sign(T a, T b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

int CompareKeys(const TSortItem& a, const TSortItem& b, const std::string& tails)
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

} // namespace

int SortTextCompare(const TSortItem& a, const TSortItem& b, const std::string& tails)
{
    if ((a.Kind & b.Kind & TSortItem::Number) != 0)
        return Sign(a.NumberValue, b.NumberValue);
    if ((a.Kind & b.Kind & TSortItem::DateTime) != 0)
        return Sign(a.Moment, b.Moment);
    const bool aEmpty = a.Kind & TSortItem::Empty;
    const bool bEmpty = b.Kind & TSortItem::Empty;
    if (aEmpty || bEmpty)
        return aEmpty == bEmpty ? 0 : (aEmpty ? 1 : -1);
    return CompareKeys(a, b, tails);
}

int SortTextCompare(const QString& a, const QString& b, const TSortTextReader& reader)
{
    std::string tails;
    TSortItem first;
    TSortItem second;
    reader.Classify(a, first);
    reader.Classify(b, second);
    reader.AddKey(a, first, tails);
    reader.AddKey(b, second, tails);
    return SortTextCompare(first, second, tails);
}
