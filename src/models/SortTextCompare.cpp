#include "models/SortTextCompare.h"

#include "models/SortTextReader.h"

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
