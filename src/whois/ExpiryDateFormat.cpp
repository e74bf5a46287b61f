#include "whois/ExpiryDateFormat.h"

#include <QDate>
#include <QLocale>
#include <QString>

namespace {

bool IsBlankText(const std::string& text)
{
    for (const char c : text)
        if (static_cast<unsigned char>(c) > 32)
            return false;
    return true;
}

} // namespace

std::string FormatExpiryDate(const std::string& text, const TDateMasks& masks)
{
    if (IsBlankText(text))
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
