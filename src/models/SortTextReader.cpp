#include "models/SortTextReader.h"

#include <unicode/ucol.h>

#include <charconv>
#include <cmath>
#include <limits>

TSortTextReader::TSortTextReader(const QLocale& locale) : Moments(locale)
{
    // The C locale compares code units, as QCollator does there; every other locale goes to the
    // collation library with the settings QCollator gives it by default.
    if (locale.language() == QLocale::C)
        return;
    UErrorCode status = U_ZERO_ERROR;
    Collator = ucol_open(locale.name().toLatin1().constData(), &status);
    if (U_FAILURE(status)) {
        Collator = nullptr;
        return;
    }
    ucol_setAttribute(Collator, UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
    ucol_setAttribute(Collator, UCOL_STRENGTH, UCOL_DEFAULT_STRENGTH, &status);
    ucol_setAttribute(Collator, UCOL_NUMERIC_COLLATION, UCOL_OFF, &status);
    ucol_setAttribute(Collator, UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &status);
}

TSortTextReader::~TSortTextReader()
{
    if (Collator)
        ucol_close(Collator);
}

bool TSortTextReader::ReadNumber(QStringView text, double& value)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && text[i] == u' ')
        ++i;
    // Most texts are no numbers, and tell so at their first character: nothing is built for them.
    const qsizetype first = i < n && (text[i] == u'+' || text[i] == u'-') ? i + 1 : i;
    if (first >= n || !(text[first] == u'.' || (text[first] >= u'0' && text[first] <= u'9')))
        return false;
    // Rewritten in the form std::from_chars reads, which knows no leading "+" or bare point.
    std::string number;
    number.reserve(static_cast<std::size_t>(n - i) + 2);
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        if (text[i] == u'-')
            number += '-';
        ++i;
    }
    auto isDigit = [&text](qsizetype k) { return text[k] >= u'0' && text[k] <= u'9'; };
    const qsizetype intStart = i;
    while (i < n && isDigit(i))
        number += static_cast<char>(text[i++].unicode());
    const bool intDigits = i > intStart;
    bool point = false;
    std::string fraction;
    if (i < n && text[i] == u'.') {
        point = true;
        ++i;
        while (i < n && isDigit(i))
            fraction += static_cast<char>(text[i++].unicode());
    }
    if (!intDigits && !point)
        return false;
    if (!intDigits)
        number += '0';
    if (!fraction.empty())
        number += '.' + fraction;
    bool negativeExponent = false;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        number += 'e';
        if (i < n && (text[i] == u'+' || text[i] == u'-')) {
            negativeExponent = text[i] == u'-';
            if (negativeExponent)
                number += '-';
            ++i;
        }
        const qsizetype expStart = i;
        while (i < n && isDigit(i))
            number += static_cast<char>(text[i++].unicode());
        if (i == expStart)
            return false;
    }
    if (i != n)
        return false;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error == std::errc::result_out_of_range) {
        const bool negative = number[0] == '-';
        value = negativeExponent ? 0.0 : std::numeric_limits<double>::infinity();
        if (negative)
            value = -value;
        return true;
    }
    return error == std::errc() && end == number.data() + number.size();
}

void TSortTextReader::Classify(QStringView text, TSortItem& item, bool moments) const
{
    item.Kind = TSortItem::Classified;
    if (text.isEmpty()) {
        item.Kind |= TSortItem::Empty;
        return;
    }
    if (ReadNumber(text, item.NumberValue))
        item.Kind |= TSortItem::Number;
    if (moments && ReadMoment(text, item.Moment))
        item.Kind |= TSortItem::DateTime;
}

void TSortTextReader::AddKey(QStringView text, TSortItem& item, std::string& tails) const
{
    std::size_t length = 0;
    if (Collator) {
        // Sort keys end with one zero byte and hold none before it.
        const auto source = reinterpret_cast<const UChar*>(text.utf16());
        const auto size = static_cast<int32_t>(text.size());
        if (KeyBuffer.size() < 256)
            KeyBuffer.resize(256);
        int32_t needed =
            ucol_getSortKey(Collator, source, size, KeyBuffer.data(), static_cast<int32_t>(KeyBuffer.size()));
        if (needed > static_cast<int32_t>(KeyBuffer.size())) {
            KeyBuffer.resize(static_cast<std::size_t>(needed));
            needed = ucol_getSortKey(Collator, source, size, KeyBuffer.data(), needed);
        }
        length = needed > 0 ? static_cast<std::size_t>(needed - 1) : 0;
    } else {
        // Code-unit order in bytes that are never zero: each unit plus one written as UTF-8 writes
        // a code point, whose byte order is the order of the values. Plain text costs a byte a unit.
        KeyBuffer.resize(static_cast<std::size_t>(text.size()) * 4);
        for (const QChar c : text) {
            const unsigned v = c.unicode() + 1u;
            if (v < 0x80) {
                KeyBuffer[length++] = static_cast<std::uint8_t>(v);
                continue;
            }
            if (v < 0x800) {
                KeyBuffer[length++] = static_cast<std::uint8_t>(0xC0 | (v >> 6));
            } else {
                if (v < 0x10000) {
                    KeyBuffer[length++] = static_cast<std::uint8_t>(0xE0 | (v >> 12));
                } else {
                    KeyBuffer[length++] = static_cast<std::uint8_t>(0xF0 | (v >> 18));
                    KeyBuffer[length++] = static_cast<std::uint8_t>(0x80 | ((v >> 12) & 0x3F));
                }
                KeyBuffer[length++] = static_cast<std::uint8_t>(0x80 | ((v >> 6) & 0x3F));
            }
            KeyBuffer[length++] = static_cast<std::uint8_t>(0x80 | (v & 0x3F));
        }
    }
    PutSortKey(KeyBuffer.data(), length, item, tails);
}

int SortTextCompare(const QString& a, const QString& b, const TSortTextReader& reader)
{
    std::string tails;
    TSortItem first;
    TSortItem second;
    reader.Classify(a, first);
    reader.Classify(b, second);
    reader.AddKey(a, first, tails);
    reader.AddKey(b, second, tails);
    return SortTextCompare(first, second, tails);
}
