#pragma once

#include <QDateTime>
#include <string>

// The date and time in the HTML report's title line: the system's short date format, a blank and
// its long time format; the time is left out when it is exactly midnight.
std::string ReportDateTime(const QDateTime& localTime);
