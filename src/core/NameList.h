#pragma once

#include <cstddef>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

// An append-only list of names kept in one byte buffer plus one end offset per name, so that a
// million generated names cost their text and eight bytes each, not a string object and a heap
// block apiece. Names are read back in order as views into the buffer, or copied out as strings.
class TNameList
{
public:
    class TIterator
    {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = std::string_view;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = std::string_view;

        TIterator() = default;
        TIterator(const TNameList* list, size_t index) : List(list), Index(index) {}

        std::string_view operator*() const { return (*List)[Index]; }
        TIterator& operator++()
        {
            ++Index;
            return *this;
        }
        TIterator operator++(int)
        {
            TIterator before = *this;
            ++Index;
            return before;
        }
        bool operator==(const TIterator& other) const { return Index == other.Index; }

    private:
        const TNameList* List = nullptr;
        size_t Index = 0;
    };

    size_t Count() const { return Ends.size(); }
    bool Empty() const { return Ends.empty(); }

    // The view stays valid until the list is changed.
    std::string_view operator[](size_t index) const
    {
        const size_t begin = index == 0 ? 0 : Ends[index - 1];
        return std::string_view(Text).substr(begin, Ends[index] - begin);
    }
    std::string String(size_t index) const { return std::string((*this)[index]); }
    std::vector<std::string> ToVector() const;

    TIterator begin() const { return TIterator(this, 0); }
    TIterator end() const { return TIterator(this, Ends.size()); }

    // Empties the list and gives its memory back.
    void Clear();
    // Makes room for exactly `names` names holding `textBytes` bytes in all.
    void Reserve(size_t names, size_t textBytes);

    void Append(std::string_view name)
    {
        Text.append(name);
        Ends.push_back(Text.size());
    }
    // Appends stem + "." + tld without building the name first.
    void AppendDomain(std::string_view stem, std::string_view tld)
    {
        Text.append(stem);
        Text.push_back('.');
        Text.append(tld);
        Ends.push_back(Text.size());
    }

    // Bytes of all names' text, and bytes the list holds allocated (text buffer and offsets).
    size_t TextBytes() const { return Text.size(); }
    size_t AllocatedBytes() const { return Text.capacity() + Ends.capacity() * sizeof(size_t); }

private:
    std::string Text;
    std::vector<size_t> Ends;
};
