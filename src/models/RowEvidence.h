#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// What in its answer decided each row's verdict, kept beside the table for the answers panel and
// never saved. Rows of one host share their few texts ("The answer holds the not-found text ..."),
// so each distinct text is kept once and a row holds only its number: a million checked rows cost
// four bytes apiece, and rows that were never checked nothing at all.
class TRowEvidence
{
public:
    // The row's evidence; empty when none was kept.
    const std::string& Of(int row) const;
    // Replaces the row's evidence (an empty text removes it).
    void Set(int row, std::string_view text);
    void Clear();
    std::size_t MemoryUsage() const;

private:
    std::vector<std::uint32_t> TextOfRow; // 0: none, else 1 + index into Texts
    // Each distinct text once, with its number; a node of the map never moves, so Texts may point
    // at its keys.
    std::unordered_map<std::string, std::uint32_t> Numbers;
    std::vector<const std::string*> Texts;
};
