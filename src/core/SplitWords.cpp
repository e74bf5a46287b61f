#include "core/SplitWords.h"

namespace {

// Codes 1 to 32 separate words. A NUL byte, which no typed text holds, is skipped like them.
bool IsSeparator(char c)
{
    return static_cast<unsigned char>(c) <= 32;
}

bool EndsWord(char c, char delimiter)
{
    return static_cast<unsigned char>(c) < 32 || c == delimiter;
}

} // namespace

bool IsBlankWord(std::string_view text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) > 32)
            return false;
    return true;
}

std::vector<std::string> SplitWords(std::string_view text, char delimiter)
{
    std::vector<std::string> words;
    std::size_t pos = 0;
    const std::size_t end = text.size();
    auto skipSeparators = [&] {
        while (pos < end && IsSeparator(text[pos]))
            ++pos;
    };

    skipSeparators();
    while (pos < end) {
        std::string word;
        if (text[pos] == '"') {
            ++pos;
            while (pos < end) {
                if (text[pos] == '"') {
                    if (pos + 1 < end && text[pos + 1] == '"') {
                        word += '"';
                        pos += 2;
                        continue;
                    }
                    ++pos; // the closing quote
                    break;
                }
                word += text[pos++];
            }
        } else {
            const std::size_t start = pos;
            while (pos < end && !EndsWord(text[pos], delimiter))
                ++pos;
            word.assign(text.substr(start, pos - start));
        }
        words.push_back(std::move(word));
        skipSeparators();
        if (pos < end && text[pos] == delimiter) {
            ++pos;
            skipSeparators();
        }
    }
    return words;
}
