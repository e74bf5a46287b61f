#pragma once

#include "settings/ProxySettings.h"

#include <QWidget>

#include <functional>
#include <string>
#include <vector>

class QLabel;
class QPushButton;
class QTableWidget;
class TTestQuery;

// The Connection page's list of further proxies: one row each with its type, host, port, user and
// password and a Test button that asks a WHOIS host through that proxy alone (on a thread of its
// own; the answer or the failure shows below the list). A row the pool could not use is marked,
// its problem in its tooltip, and Valid() is false until it is fixed or removed.
class TProxyPoolEditor : public QWidget
{
    Q_OBJECT

public:
    explicit TProxyPoolEditor(QWidget* parent = nullptr);

    void SetProxies(const std::vector<TProxySettings>& proxies);
    std::vector<TProxySettings> Proxies() const;
    bool Valid() const { return Problem.empty(); }
    // The first row's problem, naming the row; empty when every row can be used.
    const std::string& FirstProblem() const { return Problem; }

    // The WHOIS host a test asks (the dialog's entry for "com"), and its port (43; tests their own).
    std::function<std::string()> TestHost;
    int TestPort = 43;
    static constexpr int TestTimeoutMs = 20000;

    void AddRow(const TProxySettings& proxy);
    void RemoveSelectedRow();
    // Starts the test of one row; a test still running is given up first.
    void TestRow(int row);

signals:
    void ValidityChanged(bool valid);

private:
    TProxySettings RowProxy(int row) const;
    void Revalidate();
    void TestAnswered(const QByteArray& answer);
    void TestFailed(const QString& message);

    QTableWidget* Table = nullptr;
    QPushButton* Add = nullptr;
    QPushButton* Remove = nullptr;
    QLabel* TestResult = nullptr;
    TTestQuery* Query = nullptr;
    std::string TestedProxy; // the address of the row under test, without its password
    std::string Problem;
};
