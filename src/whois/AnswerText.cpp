#include "whois/AnswerText.h"

#include "base/AsciiText.h"
#include "base/Utf8.h"
#include "whois/ResponseText.h"

TAnswerText::TAnswerText(std::string_view answer)
    : RawText(answer), UpperText(UpperAscii(answer)), Utf8(IsValidUtf8(answer))
{
}

std::string TAnswerText::InAnswerEncoding(std::string_view text) const
{
    return TextInEncoding(text, Utf8);
}

bool TAnswerText::HoldsIgnoringCase(std::string_view text) const
{
    const std::string needle = UpperAscii(InAnswerEncoding(text));
    return !needle.empty() && UpperText.find(needle) != std::string::npos;
}
