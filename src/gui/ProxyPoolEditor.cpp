#include "gui/ProxyPoolEditor.h"

#include "engine/TestQuery.h"
#include "gui/DialogParts.h"
#include "models/ByteText.h"
#include "settings/ConfigKeys.h"
#include "settings/ProxyUrl.h"
#include "settings/SettingsPages.h"
#include "whois/SocksParameters.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <iterator>

namespace {

enum TColumn
{
    ColumnType,
    ColumnHost,
    ColumnPort,
    ColumnUser,
    ColumnPassword,
    ColumnTest,
    ColumnCount
};

const char* const ColumnNames[] = {"Type", "Host", "Port", "User", "Password", ""};

// Shown on marked rows and read out by screen readers beside the row.
const char* const MarkedStyle = "background-color: #ffd6d6;";

} // namespace

TProxyPoolEditor::TProxyPoolEditor(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ProxyPool"));
    Table = Named<QTableWidget>("tbProxies", this);
    Table->setAccessibleName(QStringLiteral("Further proxies"));
    Table->setColumnCount(ColumnCount);
    QStringList headers;
    for (const char* name : ColumnNames)
        headers << QLatin1String(name);
    Table->setHorizontalHeaderLabels(headers);
    Table->horizontalHeader()->setSectionResizeMode(ColumnHost, QHeaderView::Stretch);
    Table->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table->setSelectionMode(QAbstractItemView::SingleSelection);
    Table->verticalHeader()->setVisible(false);
    Table->setMinimumHeight(120);

    Add = Named<QPushButton>("bAddProxy", this);
    Add->setText(QStringLiteral("Add proxy"));
    Remove = Named<QPushButton>("bRemoveProxy", this);
    Remove->setText(QStringLiteral("Remove proxy"));
    TestResult = Named<QLabel>("lProxyTest", this);
    TestResult->setWordWrap(true);
    TestResult->setTextInteractionFlags(Qt::TextSelectableByMouse);
    connect(Add, &QPushButton::clicked, this, [this] {
        TProxySettings proxy;
        proxy.UseProxy = true;
        AddRow(proxy);
    });
    connect(Remove, &QPushButton::clicked, this, &TProxyPoolEditor::RemoveSelectedRow);

    Query = new TTestQuery(this);
    connect(Query, &TTestQuery::Answered, this, &TProxyPoolEditor::TestAnswered);
    connect(Query, &TTestQuery::Failed, this, &TProxyPoolEditor::TestFailed);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Add);
    buttons->addWidget(Remove);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(QStringLiteral("Further proxies (checks are spread over all of them):"), this));
    layout->addWidget(Table);
    layout->addLayout(buttons);
    layout->addWidget(TestResult);
}

void TProxyPoolEditor::SetProxies(const std::vector<TProxySettings>& proxies)
{
    Table->setRowCount(0);
    for (const TProxySettings& proxy : proxies)
        AddRow(proxy);
    Revalidate();
}

void TProxyPoolEditor::AddRow(const TProxySettings& proxy)
{
    const int row = Table->rowCount();
    Table->insertRow(row);
    const QString number = QString::number(row + 1);
    auto* type = new QComboBox(Table);
    for (const char* name : SocksTypeNames)
        type->addItem(QLatin1String(name));
    type->setCurrentIndex(proxy.SOCKS >= 0 && proxy.SOCKS < type->count() ? proxy.SOCKS : 0);
    type->setAccessibleName(QStringLiteral("Type of further proxy ") + number);
    Table->setCellWidget(row, ColumnType, type);
    connect(type, &QComboBox::currentIndexChanged, this, &TProxyPoolEditor::Revalidate);

    const std::pair<TColumn, const std::string*> texts[] = {{ColumnHost, &proxy.Server},
                                                            {ColumnPort, &proxy.Port},
                                                            {ColumnUser, &proxy.User},
                                                            {ColumnPassword, &proxy.Password}};
    for (const auto& [column, value] : texts) {
        auto* edit = new QLineEdit(TextFromBytes(*value), Table);
        edit->setAccessibleName(QLatin1String(ColumnNames[column]) + QStringLiteral(" of further proxy ") + number);
        if (column == ColumnPassword)
            edit->setEchoMode(QLineEdit::Password);
        Table->setCellWidget(row, column, edit);
        connect(edit, &QLineEdit::textChanged, this, &TProxyPoolEditor::Revalidate);
    }
    auto* test = new QPushButton(QStringLiteral("Test"), Table);
    test->setAccessibleName(QStringLiteral("Test further proxy ") + number);
    Table->setCellWidget(row, ColumnTest, test);
    // The row is looked up when clicked: rows above it may have been removed meanwhile.
    connect(test, &QPushButton::clicked, this, [this, test] {
        for (int at = 0; at < Table->rowCount(); ++at)
            if (Table->cellWidget(at, ColumnTest) == test)
                TestRow(at);
    });
    Revalidate();
}

void TProxyPoolEditor::RemoveSelectedRow()
{
    const int row = Table->currentRow();
    if (row < 0)
        return;
    Table->removeRow(row);
    Revalidate();
}

TProxySettings TProxyPoolEditor::RowProxy(int row) const
{
    const auto text = [&](int column) {
        return BytesFromText(static_cast<QLineEdit*>(Table->cellWidget(row, column))->text());
    };
    TProxySettings proxy;
    proxy.UseProxy = true;
    proxy.SOCKS = static_cast<QComboBox*>(Table->cellWidget(row, ColumnType))->currentIndex();
    proxy.Server = text(ColumnHost);
    proxy.Port = text(ColumnPort);
    proxy.User = text(ColumnUser);
    proxy.Password = text(ColumnPassword);
    return proxy;
}

std::vector<TProxySettings> TProxyPoolEditor::Proxies() const
{
    std::vector<TProxySettings> proxies;
    for (int row = 0; row < Table->rowCount(); ++row)
        proxies.push_back(RowProxy(row));
    return proxies;
}

void TProxyPoolEditor::Revalidate()
{
    const bool wasValid = Valid();
    Problem.clear();
    for (int row = 0; row < Table->rowCount(); ++row) {
        // A row still being built has not got all its fields yet.
        if (!Table->cellWidget(row, ColumnPassword))
            continue;
        const std::string problem = ProxyProblem(RowProxy(row));
        if (!problem.empty() && Problem.empty())
            Problem = "Further proxy " + std::to_string(row + 1) + ": " + problem;
        for (int column = ColumnHost; column <= ColumnPassword; ++column) {
            QWidget* field = Table->cellWidget(row, column);
            field->setStyleSheet(problem.empty() ? QString() : QLatin1String(MarkedStyle));
            field->setToolTip(TextFromBytes(problem));
            field->setAccessibleDescription(TextFromBytes(problem));
        }
    }
    if (wasValid != Valid())
        emit ValidityChanged(Valid());
}

void TProxyPoolEditor::TestRow(int row)
{
    if (row < 0 || row >= Table->rowCount())
        return;
    const TProxySettings proxy = RowProxy(row);
    if (const std::string problem = ProxyProblem(proxy); !problem.empty()) {
        TestResult->setText(TextFromBytes(problem));
        return;
    }
    Query->Cancel();
    TIdWhois client;
    client.Host = TestHost ? TestHost() : std::string(ConfigKeys::FallbackWhoisHost);
    if (client.Host.empty())
        client.Host = ConfigKeys::FallbackWhoisHost;
    client.Port = TestPort;
    client.Proxy = ConfigureProxy(proxy);
    client.TimeoutMs = TestTimeoutMs;
    TestedProxy = ProxyUrl(proxy, false);
    TestResult->setText(TextFromBytes("Asking " + client.Host + " through " + TestedProxy + "..."));
    Query->Start(client, "example.com");
}

void TProxyPoolEditor::TestAnswered(const QByteArray& answer)
{
    TestResult->setText(TextFromBytes(TestedProxy + " works: the WHOIS host answered with " +
                                      std::to_string(answer.size()) + " bytes."));
}

void TProxyPoolEditor::TestFailed(const QString& message)
{
    TestResult->setText(TextFromBytes(TestedProxy + " failed: ") + message);
}
