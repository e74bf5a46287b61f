#pragma once

#include "whois/IdWhois.h"
#include "whois/ServerStrings.h"

#include <QDialog>
#include <QElapsedTimer>

#include <string>

class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTimer;
class QToolButton;
class TDesktop;
class TTestQuery;

// "Server properties": the four response strings of one WHOIS host, its limit texts and its least
// interval between queries, with a test query whose raw answer the user picks the strings from.
// The query runs off the GUI thread (the window keeps painting, Cancel abandons it), keeps to the
// interval typed, and ends with what a check would make of the answer with the strings typed. OK
// writes them all as one replacement of the file.
class TfSP : public QDialog
{
    Q_OBJECT

public:
    TfSP(std::string configPath, TDesktop& desktop, QWidget* parent = nullptr);
    ~TfSP() override;

    // The test domain; a caller may fill it before Execute.
    QLineEdit* TestDomain() const { return edDomain; }
    // The test query's client, set up from the file's proxy section when the dialog is created.
    TIdWhois& TestConnection() { return Connection; }

    // Steps of Execute before the dialog is shown: the host's name and strings; false (with the
    // message shown and OK disabled) when no host is given.
    bool LoadServer(const std::string& server);
    // Loads the host's strings and shows the dialog modally.
    int Execute(const std::string& server);

    void SpeedButton1Click();
    void SpeedButton2Click();
    void CancelQuery();
    // True from the press of Test until the answer or the failure, the wait for the interval included.
    bool QueryRunning() const;
    // True while a test waits for the host's interval since the previous test.
    bool QueryWaiting() const;
    void bOkClick();
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    enum TTarget
    {
        TargetNotFound,
        TargetWhoisServer,
        TargetRegistrar,
        TargetExpires
    };
    void SetupTestProxy();
    void StartQuery();
    TServerStrings FieldStrings() const;
    void PickString(TTarget target);
    void ShowBusy(bool busy);
    void QueryAnswered(const QByteArray& answer);
    void QueryFailed(const QString& message);

    std::string ConfigPath;
    TDesktop& Desktop;
    std::string ServerName;
    // The strings as read, so that untouched fields keep their bytes.
    TServerStrings Loaded;
    TIdWhois Connection;
    TTestQuery* Query = nullptr;

    QLabel* lServerName = nullptr;
    QLineEdit* eNotfound = nullptr;
    QLineEdit* eWhoisServer = nullptr;
    QLineEdit* eRegistrar = nullptr;
    QLineEdit* eExpires = nullptr;
    QLineEdit* eLimits = nullptr;
    QSpinBox* eMinInterval = nullptr;
    // What the checks have learnt of the host's pace, per way out (read-only).
    QLabel* lLearntInterval = nullptr;
    QLabel* lVerdict = nullptr;
    QTimer* IntervalWait = nullptr;
    // When the last test query went out; invalid before the first.
    QElapsedTimer LastQuery;
    std::string QueriedDomain;
    QPushButton* bOk = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QWidget* TestArea = nullptr;
    QLineEdit* edDomain = nullptr;
    QToolButton* SpeedButton2 = nullptr;
    QProgressBar* pbQuery = nullptr;
    QPushButton* bCancelQuery = nullptr;
    QPlainTextEdit* meResults = nullptr;
    QMenu* pmServerString = nullptr;
};
