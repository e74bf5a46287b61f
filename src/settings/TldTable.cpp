#include "settings/TldTable.h"

std::string TldKey(std::string_view domain)
{
    const std::size_t dot = domain.rfind('.');
    return std::string(dot == std::string_view::npos ? domain : domain.substr(dot + 1));
}
