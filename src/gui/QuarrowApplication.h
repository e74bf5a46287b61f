#pragma once

#include <QApplication>

#include <functional>

// The application object of the desktop program. It is the handler of unexpected errors: an
// exception that escapes a command, an event handler or a timer tick ends that handler only; its
// message is shown in a message box and the program goes on with the next event.
class TQuarrowApplication : public QApplication
{
    Q_OBJECT

public:
    using TErrorReporter = std::function<void(const QString& message)>;

    TQuarrowApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Tests replace the message box by their own reporter.
    void SetErrorReporter(TErrorReporter reporter) { Reporter = std::move(reporter); }
    void ReportUnexpectedError(const QString& message);

private:
    TErrorReporter Reporter;
    bool Reporting = false;
};
