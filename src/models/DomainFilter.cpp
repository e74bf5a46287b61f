#include "models/DomainFilter.h"

#include <array>

namespace {

struct TFilterNames
{
    std::string_view Key;
    const char* Caption;
};

constexpr std::array<TFilterNames, DomainFilterCount> Names = {{
    {"all", "All rows"},
    {"available", "Available (YES)"},
    {"registered", "Registered (NO)"},
    {"errors", "Errors (RESULT ERROR)"},
    {"unchecked", "Not yet checked"},
}};

} // namespace

bool FilterShows(TDomainFilter filter, TRowResult result)
{
    switch (filter) {
    case TDomainFilter::All:
        return true;
    case TDomainFilter::Available:
        return result == TRowResult::Available;
    case TDomainFilter::Registered:
        return result == TRowResult::Registered;
    case TDomainFilter::Errors:
        return result == TRowResult::Error;
    case TDomainFilter::Unchecked:
        return result == TRowResult::Unchecked;
    }
    return true;
}

std::string_view FilterKeyText(TDomainFilter filter)
{
    return Names[static_cast<std::size_t>(filter)].Key;
}

TDomainFilter FilterFromKeyText(std::string_view text)
{
    for (std::size_t i = 0; i < Names.size(); ++i)
        if (Names[i].Key == text)
            return static_cast<TDomainFilter>(i);
    return TDomainFilter::All;
}

const char* FilterCaption(TDomainFilter filter)
{
    return Names[static_cast<std::size_t>(filter)].Caption;
}
