#pragma once

#include <string>
#include <string_view>

// Which bytes of a text become entities in markup.
enum class TMarkupEntities
{
    // & < > " : HTML text and double-quoted attribute values; other bytes pass as they are.
    Html,
    // & < > " ' as the five XML entities and bytes 128 to 255 as &#xHH;, as the project and
    // word-list files write them.
    Xml
};

// Appends `text` to `out` with the entities of `entities`.
void AppendEscapedMarkup(std::string& out, std::string_view text, TMarkupEntities entities);
