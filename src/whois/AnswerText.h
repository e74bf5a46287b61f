#pragma once

#include <string>
#include <string_view>

// One answer as every question about it needs it: its bytes, its upper-case form and whether it is
// UTF-8. An answer may be a megabyte, and a check asks a dozen questions of it (limit texts, refusal,
// not-found texts, labels), so the answer is upper-cased and decoded once, not once per question.
// Holds a view of the answer: the answer must outlive it.
class TAnswerText
{
public:
    explicit TAnswerText(std::string_view answer);

    std::string_view Raw() const { return RawText; }
    bool IsUtf8() const { return Utf8; }

    // `text` (a text of the configuration file) in the answer's encoding (TextInAnswerEncoding).
    std::string InAnswerEncoding(std::string_view text) const;
    // True when the answer holds `text` in its encoding, compared in ASCII upper case; an empty
    // text is never held.
    bool HoldsIgnoringCase(std::string_view text) const;

private:
    std::string_view RawText;
    std::string UpperText;
    bool Utf8;
};
