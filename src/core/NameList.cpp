#include "core/NameList.h"

std::vector<std::string> TNameList::ToVector() const
{
    std::vector<std::string> names;
    names.reserve(Count());
    for (const std::string_view name : *this)
        names.emplace_back(name);
    return names;
}

void TNameList::Clear()
{
    std::string().swap(Text);
    std::vector<size_t>().swap(Ends);
}

void TNameList::Reserve(size_t names, size_t textBytes)
{
    Text.reserve(Text.size() + textBytes);
    Ends.reserve(Ends.size() + names);
}
