#include "models/LocaleDateTimeReader.h"

#include <QDate>

#include <algorithm>

namespace {

// Julian day of 30 December 1899, the zero of the moments the sort compares.
constexpr qint64 ZeroJulianDay = 2415019;

bool IsBlank(QChar c)
{
    return c == u' ' || c == QChar::Nbsp || c == u'\u202F';
}

void SkipBlanks(QStringView text, qsizetype& pos)
{
    while (pos < text.size() && IsBlank(text[pos]))
        ++pos;
}

// One to `maxDigits` decimal digits of any script.
bool ReadDigits(QStringView text, qsizetype& pos, int maxDigits, int& value, int& digits)
{
    value = 0;
    digits = 0;
    while (pos < text.size() && digits < maxDigits) {
        const int digit = text[pos].digitValue();
        if (digit < 0 || !text[pos].isDigit())
            break;
        value = value * 10 + digit;
        ++digits;
        ++pos;
    }
    return digits > 0;
}

} // namespace

TLocaleDateTimeReader::TLocaleDateTimeReader(const QLocale& locale)
{
    DatePattern = Compile(locale.dateFormat(QLocale::ShortFormat));
    TimePatterns.push_back(Compile(locale.timeFormat(QLocale::ShortFormat)));
    TimePatterns.push_back(Compile(locale.timeFormat(QLocale::LongFormat)));
    // Long names first, so that "June" is not read as "Jun" followed by a stray letter.
    for (const QLocale::FormatType type : {QLocale::LongFormat, QLocale::ShortFormat}) {
        for (int month = 1; month <= 12; ++month)
            MonthNames.push_back(locale.monthName(month, type).toLower());
        for (int month = 1; month <= 12; ++month)
            MonthNames.push_back(locale.standaloneMonthName(month, type).toLower());
        for (int day = 1; day <= 7; ++day)
            DayNames.push_back(locale.dayName(day, type).toLower());
    }
    AmText = locale.amText().toLower();
    PmText = locale.pmText().toLower();
}

TLocaleDateTimeReader::TPattern TLocaleDateTimeReader::Compile(const QString& format)
{
    TPattern pattern;
    auto literal = [&pattern](QChar c) {
        if (pattern.empty() || pattern.back().Field != TField::Literal)
            pattern.push_back({TField::Literal, {}});
        pattern.back().Text += c;
    };
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format[i];
        qsizetype run = 1;
        while (i + run < format.size() && format[i + run] == c)
            ++run;
        if (c == u'\'') {
            // Quoted text; two quotes stand for one.
            qsizetype j = i + 1;
            if (j < format.size() && format[j] == u'\'') {
                literal(c);
                i = j + 1;
                continue;
            }
            for (; j < format.size(); ++j) {
                if (format[j] == u'\'') {
                    if (j + 1 < format.size() && format[j + 1] == u'\'') {
                        literal(c);
                        ++j;
                        continue;
                    }
                    break;
                }
                literal(format[j]);
            }
            i = j + 1;
            continue;
        }
        TField field = TField::Literal;
        switch (c.unicode()) {
        case u'd':
            field = run >= 3 ? TField::DayName : TField::Day;
            break;
        case u'M':
            field = run >= 3 ? TField::MonthName : TField::Month;
            break;
        case u'y':
            field = TField::Year;
            break;
        case u'h':
        case u'H':
            field = TField::Hour;
            break;
        case u'm':
            field = TField::Minute;
            break;
        case u's':
            field = TField::Second;
            break;
        case u'z':
            field = TField::Millisecond;
            break;
        case u'A':
        case u'a':
            field = TField::AmPm;
            if (i + 1 < format.size() && (format[i + 1] == u'P' || format[i + 1] == u'p'))
                run = 2;
            else
                run = 1;
            break;
        case u't':
            // A time zone: nothing in the table carries one. Drop it with the blank before it.
            if (!pattern.empty() && pattern.back().Field == TField::Literal) {
                QString& text = pattern.back().Text;
                while (!text.isEmpty() && IsBlank(text.back()))
                    text.chop(1);
                if (text.isEmpty())
                    pattern.pop_back();
            }
            i += run;
            continue;
        default:
            for (qsizetype k = 0; k < run; ++k)
                literal(c);
            i += run;
            continue;
        }
        pattern.push_back({field, {}});
        i += run;
    }
    return pattern;
}

bool TLocaleDateTimeReader::MatchName(const std::vector<QString>& names, QStringView text, qsizetype& pos,
                                      int& index) const
{
    const QStringView rest = text.mid(pos);
    for (std::size_t i = 0; i < names.size(); ++i) {
        const QString& name = names[i];
        if (!name.isEmpty() && rest.startsWith(name, Qt::CaseInsensitive)) {
            pos += name.size();
            index = static_cast<int>(i);
            return true;
        }
    }
    return false;
}

int& TLocaleDateTimeReader::NumberOf(TParts& parts, TField field)
{
    switch (field) {
    case TField::Day:
        return parts.Day;
    case TField::Month:
        return parts.Month;
    case TField::Hour:
        return parts.Hour;
    case TField::Minute:
        return parts.Minute;
    case TField::Second:
        return parts.Second;
    default:
        return parts.Millisecond;
    }
}

bool TLocaleDateTimeReader::Match(const TPattern& pattern, QStringView text, qsizetype& pos, TParts& parts) const
{
    int digits = 0;
    for (const TToken& token : pattern) {
        switch (token.Field) {
        case TField::Literal:
            for (const QChar c : token.Text) {
                if (IsBlank(c)) {
                    SkipBlanks(text, pos);
                    continue;
                }
                if (pos >= text.size() || text[pos] != c)
                    return false;
                ++pos;
            }
            break;
        case TField::Day:
        case TField::Month:
        case TField::Hour:
        case TField::Minute:
        case TField::Second:
        case TField::Millisecond: {
            const bool millisecond = token.Field == TField::Millisecond;
            if (!ReadDigits(text, pos, millisecond ? 3 : 2, NumberOf(parts, token.Field), digits))
                return false;
            break;
        }
        case TField::MonthName: {
            int index = 0;
            if (!MatchName(MonthNames, text, pos, index))
                return false;
            parts.Month = index % 12 + 1;
            break;
        }
        case TField::DayName: {
            int index = 0;
            if (!MatchName(DayNames, text, pos, index))
                return false;
            break;
        }
        case TField::Year:
            if (!ReadDigits(text, pos, 4, parts.Year, digits))
                return false;
            if (digits <= 2)
                parts.Year += parts.Year < 50 ? 2000 : 1900;
            break;
        case TField::AmPm: {
            // Optional: a 24-hour time reads in a 12-hour locale too.
            const QStringView rest = text.mid(pos);
            if (!AmText.isEmpty() && rest.startsWith(AmText, Qt::CaseInsensitive)) {
                parts.AmPm = 1;
                pos += AmText.size();
            } else if (!PmText.isEmpty() && rest.startsWith(PmText, Qt::CaseInsensitive)) {
                parts.AmPm = 2;
                pos += PmText.size();
            }
            break;
        }
        }
    }
    return true;
}

bool TLocaleDateTimeReader::DatePart(QStringView text, qsizetype& pos, double& days) const
{
    TParts parts;
    if (!Match(DatePattern, text, pos, parts))
        return false;
    const QDate date(parts.Year, parts.Month, parts.Day);
    if (!date.isValid())
        return false;
    days = static_cast<double>(date.toJulianDay() - ZeroJulianDay);
    return true;
}

bool TLocaleDateTimeReader::TimePart(QStringView text, qsizetype& pos, double& fraction) const
{
    for (const TPattern& pattern : TimePatterns) {
        qsizetype end = pos;
        TParts parts;
        if (!Match(pattern, text, end, parts))
            continue;
        SkipBlanks(text, end);
        if (end != text.size())
            continue;
        int hour = parts.Hour;
        if (parts.AmPm != 0) {
            if (hour < 1 || hour > 12)
                continue;
            hour = hour % 12 + (parts.AmPm == 2 ? 12 : 0);
        }
        if (hour > 23 || parts.Minute > 59 || parts.Second > 59)
            continue;
        const int ms = ((hour * 60 + parts.Minute) * 60 + parts.Second) * 1000 + parts.Millisecond;
        fraction = ms / 86400000.0;
        pos = end;
        return true;
    }
    return false;
}

bool TLocaleDateTimeReader::Read(QStringView text, double& moment) const
{
    qsizetype pos = 0;
    SkipBlanks(text, pos);
    if (pos == text.size())
        return false;
    double days = 0;
    double fraction = 0;
    qsizetype end = pos;
    if (DatePart(text, end, days)) {
        qsizetype afterDate = end;
        SkipBlanks(text, end);
        if (end == text.size()) {
            moment = days;
            return true;
        }
        // A time follows the date after at least one blank.
        if (end > afterDate && TimePart(text, end, fraction)) {
            moment = days + fraction;
            return true;
        }
    }
    end = pos;
    if (TimePart(text, end, fraction)) {
        moment = fraction;
        return true;
    }
    return false;
}
