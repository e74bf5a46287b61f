#pragma once

#include "base/WholeFile.h"

#include <cstddef>
#include <string>
#include <string_view>

// The layout of a configuration file, as every read and write of it sees it. Lines end at LF,
// CR LF or a lone CR. A line whose first non-blank character is '[' opens a section named by the
// text up to ']' (or up to the end of the line when the ']' is missing, so that the keys below it
// never count towards the section above). A line whose first non-blank character is ';' is a
// comment. Any other line with an '=' is a key; lines without one are ignored. The first
// occurrence of a section, and of a key inside it, is the one that counts, for reads and writes
// alike. A write changes only the bytes of the line it touches (or the lines it adds), so comments,
// odd lines and line ends elsewhere in the file survive byte for byte.
namespace IniLayout {

struct TLine
{
    std::size_t Begin = 0; // first byte of the line
    std::size_t End = 0;   // one past the last byte before the line break
    std::size_t Next = 0;  // first byte of the following line
};

struct TKeyLine
{
    TLine Line;
    std::size_t Equals = 0; // position of the '=' that ends the key name
};

struct TSection
{
    bool Found = false;
    std::size_t BodyBegin = 0; // first line after the header
    std::size_t BodyEnd = 0;   // start of the next header, or the end of the text
    std::size_t InsertAt = 0;  // just after the last non-blank line of the section (header included)
};

// The line starting at pos; false at the end of the text.
bool LineAt(std::string_view text, std::size_t pos, TLine& line);
std::string_view LineText(std::string_view text, const TLine& line);
// Name of the section a header line opens; false when the line is not a header.
bool HeaderName(std::string_view lineText, std::string_view& name);
// Key name of a key line; false for comments and lines without '='.
bool KeyName(std::string_view lineText, std::string_view& name, std::size_t& equals);
// Where the text begins after a byte-order mark.
std::size_t ContentStart(std::string_view text);
// Position of the next '[' at or after `pos` that opens a header line (only spaces and tabs
// before it on its line), with `lineBegin` set to its line's first byte; npos when there is none.
std::size_t NextHeaderBracket(std::string_view text, std::size_t contentStart, std::size_t pos, std::size_t& lineBegin);
// The first section of this name (ASCII case ignored), with the place where new keys go.
TSection FindSection(std::string_view text, std::string_view section);
bool FindKey(std::string_view text, const TSection& section, std::string_view key, TKeyLine& found);

// Calls `visit(line, name, equals)` for every key line of a found section, in file order, until
// it returns false.
template <typename TVisit> void ForEachKey(std::string_view text, const TSection& section, TVisit visit)
{
    TLine line;
    std::size_t pos = section.BodyBegin;
    while (pos < section.BodyEnd && LineAt(text, pos, line)) {
        pos = line.Next;
        std::string_view name;
        std::size_t equals = 0;
        if (KeyName(LineText(text, line), name, equals) && !visit(line, name, equals))
            return;
    }
}

// The whole file, up to a size larger than any configuration file a person keeps.
TWholeFile LoadText(const std::string& path);

} // namespace IniLayout
