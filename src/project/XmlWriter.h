#pragma once

#include "project/XmlDocument.h"

#include <functional>
#include <string>
#include <string_view>

// Writes a TXmlDocument in the layout of project and word-list files: the declaration, CR LF after
// every line, two blanks of indentation per level, leaves on one line, empty leaves as <Name/>,
// values with the five entities and &#xHH; for bytes 128 to 255, children in document order.
class TXmlWriter
{
public:
    // Receives the output in pieces of up to about a megabyte.
    using TSink = std::function<void(std::string_view)>;

    static void Write(const TXmlDocument& doc, const TSink& sink);
    static std::string ToString(const TXmlDocument& doc);
    // Appends `value` to `out` with the entities and character references of the file format.
    static void AppendEncoded(std::string& out, std::string_view value);
};
