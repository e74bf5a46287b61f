#include "gui/ServerPropertiesDialog.h"

#include "base/QuarrowError.h"
#include "engine/TestQuery.h"
#include "gui/Desktop.h"
#include "gui/DialogParts.h"
#include "models/ByteText.h"
#include "settings/ConfigKeys.h"
#include "settings/IniFile.h"
#include "settings/ProxySettings.h"
#include "whois/ResponseText.h"
#include "whois/ServerStrings.h"

#include <QAction>
#include <QClipboard>
#include <QFormLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextCursor>
#include <QToolButton>
#include <QVBoxLayout>

#include <vector>

namespace {

// Window heights with and without the test area (client area).
constexpr int CollapsedHeight = 346;
constexpr int ExpandedHeight = 548;
constexpr int DialogWidth = 470;

} // namespace

TfSP::TfSP(std::string configPath, TDesktop& desktop, QWidget* parent)
    : QDialog(parent), ConfigPath(std::move(configPath)), Desktop(desktop)
{
    setObjectName(QStringLiteral("fSP"));
    setWindowTitle(QStringLiteral("Server properties"));
    setSizeGripEnabled(true);

    auto* page = new QGroupBox(QStringLiteral("WHOIS server settings"), this);
    lServerName = Heading("lServerName", QString(), page);
    eNotfound = Named<QLineEdit>("eNotfound", page);
    eWhoisServer = Named<QLineEdit>("eWhoisServer", page);
    eRegistrar = Named<QLineEdit>("eRegistrar", page);
    eExpires = Named<QLineEdit>("eExpires", page);
    auto* form = new QFormLayout;
    form->addRow(BuddyLabel(QStringLiteral("Not found string:"), eNotfound, page), eNotfound);
    form->addRow(BuddyLabel(QStringLiteral("Whois server string:"), eWhoisServer, page), eWhoisServer);
    form->addRow(BuddyLabel(QStringLiteral("Registrar string:"), eRegistrar, page), eRegistrar);
    form->addRow(BuddyLabel(QStringLiteral("Expires string:"), eExpires, page), eExpires);
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->addLayout(IconText("lWS",
                                   QStringLiteral("Responds from the server and the behavior of the program are "
                                                  "configured here. Warning! If these settings are wrong, the "
                                                  "program will work incorrectly. Change these settings only if you "
                                                  "are sure what you are doing. "),
                                   page));
    pageLayout->addWidget(lServerName);
    pageLayout->addLayout(form);

    SpeedButton1 = Named<QToolButton>("SpeedButton1", this);
    SpeedButton1->setArrowType(Qt::DownArrow);
    SpeedButton1->setToolTip(QStringLiteral("Show or hide the test area"));
    SpeedButton1->setAccessibleName(QStringLiteral("Test area"));
    connect(SpeedButton1, &QToolButton::clicked, this, &TfSP::SpeedButton1Click);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(SpeedButton1);
    buttons->addStretch();
    const TDialogButtons row = AddDialogButtons(this, buttons);
    bOk = row.Ok;
    connect(bOk, &QPushButton::clicked, this, &TfSP::bOkClick);
    // The page on response strings: what to pick from an answer, and why.
    connect(row.Help, &QPushButton::clicked, this,
            [this] { Desktop.OpenHelp(QStringLiteral("response-strings.html")); });

    TestArea = new QWidget(this);
    TestArea->setObjectName(QStringLiteral("pTest"));
    edDomain = Named<QLineEdit>("edDomain", TestArea);
    edDomain->setAccessibleName(QStringLiteral("Test domain"));
    edDomain->setPlaceholderText(QStringLiteral("example.com"));
    SpeedButton2 = Named<QToolButton>("SpeedButton2", TestArea);
    SpeedButton2->setText(QStringLiteral("Test"));
    SpeedButton2->setToolTip(QStringLiteral("Query the server for the test domain"));
    SpeedButton2->setAccessibleName(QStringLiteral("Test"));
    connect(SpeedButton2, &QToolButton::clicked, this, &TfSP::SpeedButton2Click);
    connect(edDomain, &QLineEdit::returnPressed, this, &TfSP::SpeedButton2Click);
    pbQuery = Named<QProgressBar>("pbQuery", TestArea);
    pbQuery->setAccessibleName(QStringLiteral("Query running"));
    pbQuery->setRange(0, 0); // busy: no end known
    pbQuery->setTextVisible(false);
    pbQuery->setMaximumHeight(edDomain->sizeHint().height());
    bCancelQuery = Named<QPushButton>("bCancelQuery", TestArea);
    bCancelQuery->setText(QStringLiteral("Cancel query"));
    connect(bCancelQuery, &QPushButton::clicked, this, &TfSP::CancelQuery);
    meResults = Named<QPlainTextEdit>("meResults", TestArea);
    meResults->setAccessibleName(QStringLiteral("Answer"));
    meResults->setReadOnly(true);
    meResults->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    meResults->setLineWrapMode(QPlainTextEdit::NoWrap);
    meResults->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    meResults->setContextMenuPolicy(Qt::CustomContextMenu);

    pmServerString = new QMenu(this);
    pmServerString->setObjectName(QStringLiteral("pmServerString"));
    const std::pair<const char*, TTarget> items[] = {{"Not found string", TargetNotFound},
                                                     {"Whois server string", TargetWhoisServer},
                                                     {"Registrar string", TargetRegistrar},
                                                     {"Expires string", TargetExpires}};
    const char* const names[] = {"miNotFound", "miWhoisServer", "miRegistrar", "miExpires"};
    for (const auto& [caption, target] : items) {
        QAction* action = pmServerString->addAction(QLatin1String(caption));
        action->setObjectName(QLatin1String(names[target]));
        connect(action, &QAction::triggered, this, [this, target = target] { PickString(target); });
    }
    connect(meResults, &QPlainTextEdit::customContextMenuRequested, this,
            [this](const QPoint& at) { pmServerString->popup(meResults->viewport()->mapToGlobal(at)); });

    auto* queryRow = new QHBoxLayout;
    queryRow->addWidget(edDomain, 1);
    queryRow->addWidget(SpeedButton2);
    queryRow->addWidget(pbQuery);
    queryRow->addWidget(bCancelQuery);
    auto* testLayout = new QVBoxLayout(TestArea);
    testLayout->setContentsMargins(0, 0, 0, 0);
    testLayout->addLayout(queryRow);
    testLayout->addWidget(meResults, 1);
    TestArea->hide();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(page);
    layout->addLayout(buttons);
    layout->addWidget(TestArea, 1);
    layout->addStretch(0);

    Query = new TTestQuery(this);
    connect(Query, &TTestQuery::Answered, this, &TfSP::QueryAnswered);
    connect(Query, &TTestQuery::Failed, this, &TfSP::QueryFailed);
    ShowBusy(false);
    resize(DialogWidth, CollapsedHeight);
    SetupTestProxy();
}

TfSP::~TfSP()
{
    Query->Cancel();
}

void TfSP::SetupTestProxy()
{
    // The file, not an open settings dialog's unsaved values.
    Connection.Proxy = ::SetupTestProxy(LoadProxySettings(ConfigPath));
}

bool TfSP::LoadServer(const std::string& server)
{
    lServerName->setText(TextFromBytes(server));
    ServerName = server;
    if (server.empty()) {
        Desktop.Tell(this, QStringLiteral("Не указан Whois сервер. Настройка невозможна."));
        bOk->setEnabled(false);
        return false;
    }
    Loaded = TServerStrings::Load(TIniFile(ConfigPath), server);
    const TServerStrings& strings = Loaded;
    eNotfound->setText(TextFromBytes(strings.NotFound));
    eWhoisServer->setText(TextFromBytes(strings.WhoisServer));
    eRegistrar->setText(TextFromBytes(strings.Registrar));
    eExpires->setText(TextFromBytes(strings.Expires));
    return true;
}

int TfSP::Execute(const std::string& server)
{
    LoadServer(server);
    return exec();
}

void TfSP::SpeedButton1Click()
{
    const bool open = !TestArea->isVisible() || height() != ExpandedHeight;
    TestArea->setVisible(open);
    SpeedButton1->setArrowType(open ? Qt::UpArrow : Qt::DownArrow);
    if (!open)
        setMinimumHeight(0);
    resize(width(), open ? ExpandedHeight : CollapsedHeight);
    if (open)
        edDomain->setFocus();
}

void TfSP::SpeedButton2Click()
{
    if (Query->Running())
        return;
    meResults->clear();
    Connection.Host = ServerName;
    Query->Start(Connection, BytesFromText(edDomain->text()));
    ShowBusy(Query->Running());
}

void TfSP::CancelQuery()
{
    Query->Cancel();
    ShowBusy(false);
}

bool TfSP::QueryRunning() const
{
    return Query->Running();
}

void TfSP::ShowBusy(bool busy)
{
    SpeedButton2->setEnabled(!busy);
    pbQuery->setVisible(busy);
    bCancelQuery->setVisible(busy);
    if (busy)
        bCancelQuery->setFocus();
}

void TfSP::QueryAnswered(const QByteArray& answer)
{
    ShowBusy(false);
    std::vector<std::string> lines;
    SplitLines(std::string_view(answer.constData(), static_cast<std::size_t>(answer.size())), lines);
    QStringList text;
    text.reserve(static_cast<qsizetype>(lines.size()));
    for (const std::string& line : lines)
        text.append(TextFromBytes(line));
    meResults->setPlainText(text.join(QLatin1Char('\n')));
}

void TfSP::QueryFailed(const QString& message)
{
    ShowBusy(false);
    Desktop.Tell(this, message);
}

void TfSP::PickString(TTarget target)
{
    // A selection across lines comes with paragraph separators; the clipboard gets plain line breaks.
    const QString picked = meResults->textCursor().selectedText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(picked);
    QLineEdit* const fields[] = {eNotfound, eWhoisServer, eRegistrar, eExpires};
    QLineEdit* field = fields[target];
    field->insert(picked);
    if (target == TargetNotFound) {
        const int caret = field->cursorPosition();
        field->setText(
            TextFromBytes(PlaceholderForTestDomain(BytesFromText(field->text()), BytesFromText(edDomain->text()))));
        field->setCursorPosition(std::min(caret, static_cast<int>(field->text().size())));
    }
}

void TfSP::bOkClick()
{
    if (ServerName.empty())
        return; // no section without a name is ever written
    TServerStrings typed;
    typed.NotFound = BytesFromText(eNotfound->text());
    typed.WhoisServer = BytesFromText(eWhoisServer->text());
    typed.Registrar = BytesFromText(eRegistrar->text());
    typed.Expires = BytesFromText(eExpires->text());
    try {
        Loaded.KeptOrTyped(typed).Save(TIniFile(ConfigPath), ServerName);
    } catch (const TQuarrowError& error) {
        Desktop.Tell(this, QString::fromStdString(error.what()));
        return;
    }
    accept();
}

void TfSP::reject()
{
    Query->Cancel();
    QDialog::reject();
}
