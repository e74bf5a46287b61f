#include "gui/QuarrowApplication.h"

#include <QMessageBox>

#include <exception>

TQuarrowApplication::TQuarrowApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TQuarrowApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ReportUnexpectedError(QString::fromUtf8(error.what()));
    } catch (...) {
        ReportUnexpectedError(QStringLiteral("Unknown error."));
    }
    return false;
}

void TQuarrowApplication::ReportUnexpectedError(const QString& message)
{
    if (Reporter) {
        Reporter(message);
        return;
    }
    // A timer that keeps failing must not stack one message box on another.
    if (Reporting)
        return;
    Reporting = true;
    QMessageBox::critical(activeWindow(), applicationName(), message);
    Reporting = false;
}
