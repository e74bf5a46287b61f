#include "models/ExpiryDateFormat.h"

#include "models/LocaleDateTimeReader.h"
#include "whois/ResponseText.h"

#include <QDate>
#include <QLocale>

#include <cmath>
#include <memory>

std::string FormatExpiryDate(const std::string& text, const TDateMasks& masks)
{
    if (Trim(text).empty())
        return {};
    return FormatDayNumber(ParseExpiryDate(text, masks));
}

std::string FormatDayNumber(int dayNumber)
{
    if (dayNumber <= 0)
        return {};
    const TCalendarDate date = DateFromDayNumber(dayNumber);
    const QDate qdate(date.Year, date.Month, date.Day);
    const QLocale locale = QLocale::system();
    return locale.toString(qdate, WithFourDigitYear(locale.dateFormat(QLocale::ShortFormat))).toStdString();
}

int DayNumberOfShownDate(const std::string& text)
{
    if (text.empty())
        return 0;
    // The reader compiles the locale's formats: a loaded project reads a million dates with one.
    thread_local QLocale readerLocale = QLocale::c();
    thread_local std::unique_ptr<TLocaleDateTimeReader> reader;
    const QLocale locale = QLocale::system();
    if (!reader || locale != readerLocale) {
        reader = std::make_unique<TLocaleDateTimeReader>(locale);
        readerLocale = locale;
    }
    double moment = 0;
    if (!reader->Read(QString::fromStdString(text), moment) || moment < 1)
        return 0;
    return static_cast<int>(std::floor(moment));
}

std::string ExportedExpiry(const std::string& cell)
{
    const int dayNumber = DayNumberOfShownDate(cell);
    return dayNumber > 0 ? IsoDateFromDayNumber(dayNumber) : cell;
}

QString WithFourDigitYear(const QString& format)
{
    QString result;
    result.reserve(format.size() + 2);
    bool quoted = false;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format[i];
        if (quoted || c != QLatin1Char('y')) {
            if (c == QLatin1Char('\''))
                quoted = !quoted;
            result += c;
            ++i;
            continue;
        }
        qsizetype run = 0;
        while (i + run < format.size() && format[i + run] == QLatin1Char('y'))
            ++run;
        result += QString(std::max<qsizetype>(run, 4), QLatin1Char('y'));
        i += run;
    }
    return result;
}
