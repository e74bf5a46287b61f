#include "models/RowEvidence.h"

namespace {

const std::string None;

} // namespace

const std::string& TRowEvidence::Of(int row) const
{
    if (row < 0 || static_cast<std::size_t>(row) >= TextOfRow.size())
        return None;
    const std::uint32_t number = TextOfRow[static_cast<std::size_t>(row)];
    return number == 0 ? None : *Texts[number - 1];
}

void TRowEvidence::Set(int row, std::string_view text)
{
    if (row < 0)
        return;
    const auto position = static_cast<std::size_t>(row);
    if (text.empty()) {
        if (position < TextOfRow.size())
            TextOfRow[position] = 0;
        return;
    }
    if (position >= TextOfRow.size())
        TextOfRow.resize(position + 1);
    const auto [kept, added] = Numbers.try_emplace(std::string(text), static_cast<std::uint32_t>(Texts.size() + 1));
    if (added)
        Texts.push_back(&kept->first);
    TextOfRow[position] = kept->second;
}

void TRowEvidence::Clear()
{
    TextOfRow.clear();
    TextOfRow.shrink_to_fit();
    Numbers.clear();
    Texts.clear();
    Texts.shrink_to_fit();
}

std::size_t TRowEvidence::MemoryUsage() const
{
    // A map node holds the key, the number and the link to the next node.
    std::size_t total = TextOfRow.capacity() * sizeof(std::uint32_t) + Texts.capacity() * sizeof(const std::string*) +
                        Numbers.bucket_count() * sizeof(void*) +
                        Numbers.size() * (sizeof(std::string) + sizeof(std::uint32_t) + sizeof(void*));
    for (const std::string* text : Texts)
        total += text->capacity() > 15 ? text->capacity() + 1 : 0;
    return total;
}
