#pragma once

#include <QLocale>
#include <QString>
#include <QStringView>

#include <vector>

// Reads a date, a time, or a date followed by a time, written in a locale's short date format and
// its short or long time format, the way the table shows them and a person types them: day, month
// and hour as one or two digits, the year as one to four (up to two digits: 1950 to 2049), month
// and day names in any letter case, the am/pm designator optional, blanks in the format free in
// number, and the locale's own digits as well as ASCII ones. The result is a moment counted in
// days from 30 December 1899 with the time of day as the fraction, the form the sort compares.
class TLocaleDateTimeReader
{
public:
    explicit TLocaleDateTimeReader(const QLocale& locale);

    // False when the whole text (leading and trailing blanks aside) is none of those forms.
    bool Read(QStringView text, double& moment) const;

private:
    enum class TField
    {
        Literal,
        Day,
        DayName,
        Month,
        MonthName,
        Year,
        Hour,
        Minute,
        Second,
        Millisecond,
        AmPm
    };
    struct TToken
    {
        TField Field = TField::Literal;
        QString Text; // literal text
    };
    using TPattern = std::vector<TToken>;
    struct TParts
    {
        int Year = 0, Month = 0, Day = 0;
        int Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
        int AmPm = 0; // 0 none, 1 am, 2 pm
    };

    static TPattern Compile(const QString& format);
    // The part a numeric field fills.
    static int& NumberOf(TParts& parts, TField field);
    bool Match(const TPattern& pattern, QStringView text, qsizetype& pos, TParts& parts) const;
    bool MatchName(const std::vector<QString>& names, QStringView text, qsizetype& pos, int& index) const;
    bool DatePart(QStringView text, qsizetype& pos, double& days) const;
    bool TimePart(QStringView text, qsizetype& pos, double& fraction) const;

    TPattern DatePattern;
    std::vector<TPattern> TimePatterns;
    std::vector<QString> MonthNames; // lower case; index % 12 is the month - 1
    std::vector<QString> DayNames;
    QString AmText, PmText;
};
