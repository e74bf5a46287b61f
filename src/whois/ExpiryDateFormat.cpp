#include "whois/ExpiryDateFormat.h"

#include "whois/ResponseText.h"

#include <QDate>
#include <QLocale>
#include <QString>

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
    return QLocale::system().toString(qdate, QLocale::ShortFormat).toStdString();
}
