#include "models/ReportDateTime.h"

#include <QLocale>

std::string ReportDateTime(const QDateTime& localTime)
{
    const QLocale locale = QLocale::system();
    QString text = locale.toString(localTime.date(), QLocale::ShortFormat);
    if (localTime.time() != QTime(0, 0))
        text += QLatin1Char(' ') + locale.toString(localTime.time(), QLocale::LongFormat);
    return text.toStdString();
}
