#include "models/ReportDateTime.h"

#include <QLocale>

#include <gtest/gtest.h>

namespace {

TEST(ReportDateTime, TheTimeIsLeftOutAtMidnightExactlyAndOnlyThen)
{
    const QLocale locale = QLocale::system();
    const QDate day(2009, 3, 5);
    const std::string date = locale.toString(day, QLocale::ShortFormat).toStdString();
    EXPECT_EQ(ReportDateTime(QDateTime(day, QTime(0, 0))), date);
    for (const QTime time : {QTime(0, 0, 1), QTime(0, 0, 0, 1), QTime(14, 7, 9), QTime(23, 59, 59)})
        EXPECT_EQ(ReportDateTime(QDateTime(day, time)),
                  date + " " + locale.toString(time, QLocale::LongFormat).toStdString())
            << time.toString().toStdString();
}

} // namespace
