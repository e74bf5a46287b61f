#pragma once

#include <string>
#include <string_view>
#include <vector>

// True when the text holds nothing but characters with codes 0 to 32: such a text adds no word.
bool IsBlankWord(std::string_view text);

// The words of a typed list such as `alpha, beta ,"gamma, delta"`: blanks and control characters
// before a word are skipped; a word runs up to the delimiter or a control character and keeps its
// inner and trailing blanks; a double-quoted word may hold the delimiter, with "" standing for one
// quote. Two delimiters in a row give an empty word, a leading one an empty first word, a trailing
// one nothing.
std::vector<std::string> SplitWords(std::string_view text, char delimiter);
