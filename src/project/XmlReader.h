#pragma once

#include "project/XmlDocument.h"

#include <cstddef>
#include <memory>
#include <string_view>

// Parses the bytes of a project or word-list file into a TXmlDocument. Accepts what the writer
// produces and what people write by hand in the same form: element names that are decimal
// numbers, content taken exactly between the tags, white space between elements ignored. Also
// accepted and ignored: the declaration, comments, processing instructions, a document type
// declaration before the root, attributes; character data sections are taken literally.
// Refused with TQuarrowError naming the problem and its line: an element not closed, a tag
// without a name, an end tag that does not match its start tag, text outside the root element,
// nesting deeper than MaxDepth.
class TXmlReader
{
public:
    static constexpr std::size_t MaxDepth = 256;

    // Takes ownership of the buffer; the document's names and values point into it.
    static TXmlDocument Parse(std::unique_ptr<char[]> bytes, std::size_t size);
    static TXmlDocument Parse(std::string_view bytes);
};
