#include "gui/ServerPropertiesDialog.h"

#include "base/QuarrowError.h"
#include "engine/PaceFile.h"
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
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTextCursor>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <limits>
#include <vector>

namespace {

// Window heights with and without the test area (client area); the two added fields make both
// taller than the design's 346 and 548.
constexpr int CollapsedHeight = 410;
constexpr int ExpandedHeight = 612;
// What the test area needs at the least: the domain row and a few lines of the answer.
constexpr int RoomForTestArea = 100;
// An hour: more than any registry asks for.
constexpr int MaxMinInterval = 3600000;
constexpr int DialogWidth = 470;

// What the checks learnt of the host's pace, as the pace file beside the configuration keeps it:
// "250 ms directly", and one interval for each further way out the host was asked through.
QString LearntIntervalText(const std::string& configPath, const std::string& host)
{
    TLearntPace pace;
    std::string problem;
    if (!TPaceFile::Read(TPaceFile::PathBeside(configPath), pace, problem))
        return QStringLiteral("unknown: the pace file cannot be read (%1)").arg(TextFromBytes(problem));
    QStringList ways;
    for (const auto& [lane, ms] : pace.Entries())
        if (lane.Host == host)
            ways << (lane.Way == "direct" ? QStringLiteral("%1 ms directly").arg(ms)
                                          : QStringLiteral("%1 ms through %2").arg(ms).arg(TextFromBytes(lane.Way)));
    if (ways.isEmpty())
        return QStringLiteral("none yet (the server has not refused a check)");
    return ways.join(QStringLiteral(", "));
}

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
    eLimits = Named<QLineEdit>("eLimits", page);
    eNotfound->setToolTip(QStringLiteral("Texts, separated by |, of which a free name's answer holds one; "
                                         "%DOMAIN% stands for the name. Empty: the fallback section's texts"));
    for (QLineEdit* label : {eWhoisServer, eRegistrar, eExpires})
        label->setToolTip(QStringLiteral("Labels, separated by |: the first that holds a value gives it; "
                                         "Block>Field reads Field in the block under the line Block. "
                                         "Empty: the fallback section's labels"));
    eLimits->setToolTip(QStringLiteral("Texts, separated by |, that mark a refused or throttled answer"));
    eMinInterval = Named<QSpinBox>("eMinInterval", page);
    eMinInterval->setRange(0, MaxMinInterval);
    eMinInterval->setSuffix(QStringLiteral(" ms"));
    eMinInterval->setLocale(QLocale::system());
    eMinInterval->setGroupSeparatorShown(true);
    eMinInterval->setToolTip(QStringLiteral("The least time between two queries to this server; 0: only the "
                                            "connection interval of the settings"));
    auto* form = new QFormLayout;
    form->addRow(BuddyLabel(QStringLiteral("Not found string:"), eNotfound, page), eNotfound);
    form->addRow(BuddyLabel(QStringLiteral("Whois server string:"), eWhoisServer, page), eWhoisServer);
    form->addRow(BuddyLabel(QStringLiteral("Registrar string:"), eRegistrar, page), eRegistrar);
    form->addRow(BuddyLabel(QStringLiteral("Expires string:"), eExpires, page), eExpires);
    form->addRow(BuddyLabel(QStringLiteral("Limit strings:"), eLimits, page), eLimits);
    form->addRow(BuddyLabel(QStringLiteral("Minimum interval:"), eMinInterval, page), eMinInterval);
    lLearntInterval = Named<QLabel>("lLearntInterval", page);
    lLearntInterval->setWordWrap(true);
    lLearntInterval->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    lLearntInterval->setFocusPolicy(Qt::StrongFocus);
    lLearntInterval->setToolTip(QStringLiteral("The interval the checks keep after this server's refusals, per way "
                                               "out; never less than the minimum interval"));
    form->addRow(BuddyLabel(QStringLiteral("Learnt interval:"), lLearntInterval, page), lLearntInterval);
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
    // Enter in the field runs the test and goes no further: the dialog would take it for OK, or
    // for the Cancel query button once that shows.
    edDomain->installEventFilter(this);
    pbQuery = Named<QProgressBar>("pbQuery", TestArea);
    pbQuery->setAccessibleName(QStringLiteral("Query running"));
    pbQuery->setRange(0, 0); // busy: no end known
    pbQuery->setTextVisible(false);
    pbQuery->setMaximumHeight(edDomain->sizeHint().height());
    bCancelQuery = Named<QPushButton>("bCancelQuery", TestArea);
    bCancelQuery->setText(QStringLiteral("Cancel query"));
    bCancelQuery->setAutoDefault(false);
    connect(bCancelQuery, &QPushButton::clicked, this, &TfSP::CancelQuery);
    meResults = Named<QPlainTextEdit>("meResults", TestArea);
    meResults->setAccessibleName(QStringLiteral("Answer"));
    meResults->setReadOnly(true);
    meResults->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    meResults->setLineWrapMode(QPlainTextEdit::NoWrap);
    meResults->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    meResults->setContextMenuPolicy(Qt::CustomContextMenu);
    lVerdict = Named<QLabel>("lVerdict", TestArea);
    lVerdict->setAccessibleName(QStringLiteral("Verdict"));
    lVerdict->setWordWrap(true);
    lVerdict->setTextInteractionFlags(Qt::TextSelectableByMouse);
    IntervalWait = new QTimer(this);
    IntervalWait->setSingleShot(true);
    connect(IntervalWait, &QTimer::timeout, this, &TfSP::StartQuery);

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
    testLayout->addWidget(lVerdict);
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
    eLimits->setText(TextFromBytes(strings.Limits));
    eMinInterval->setValue(strings.MinInterval);
    lLearntInterval->setText(LearntIntervalText(ConfigPath, server));
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

void TfSP::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    // A window made taller by hand shows the test area as soon as there is room for it, and one
    // made as low as the closed dialog hides it again: never an empty space where it would be.
    const bool room = height() >= CollapsedHeight + RoomForTestArea;
    if (room == TestArea->isHidden()) {
        TestArea->setVisible(room);
        SpeedButton1->setArrowType(room ? Qt::UpArrow : Qt::DownArrow);
    }
}

void TfSP::SpeedButton2Click()
{
    if (QueryRunning())
        return;
    meResults->clear();
    lVerdict->clear();
    // The interval typed holds between two tests as it would between two checks.
    eMinInterval->interpretText();
    const qint64 sinceLast = LastQuery.isValid() ? LastQuery.elapsed() : std::numeric_limits<qint64>::max();
    const qint64 wait = eMinInterval->value() - sinceLast;
    if (wait > 0) {
        lVerdict->setText(QStringLiteral("Waiting %1 ms for the minimum interval since the last query...")
                              .arg(QLocale::system().toString(wait)));
        IntervalWait->start(static_cast<int>(wait));
        ShowBusy(true);
        return;
    }
    StartQuery();
}

void TfSP::StartQuery()
{
    lVerdict->clear();
    Connection.Host = ServerName;
    QueriedDomain = BytesFromText(edDomain->text());
    LastQuery.start();
    Query->Start(Connection, QueriedDomain);
    ShowBusy(Query->Running());
}

void TfSP::CancelQuery()
{
    IntervalWait->stop();
    lVerdict->clear();
    Query->Cancel();
    ShowBusy(false);
}

bool TfSP::QueryRunning() const
{
    return Query->Running() || IntervalWait->isActive();
}

bool TfSP::QueryWaiting() const
{
    return IntervalWait->isActive();
}

void TfSP::ShowBusy(bool busy)
{
    SpeedButton2->setEnabled(!busy);
    pbQuery->setVisible(busy);
    bCancelQuery->setVisible(busy);
}

bool TfSP::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == edDomain && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            SpeedButton2Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfSP::QueryAnswered(const QByteArray& answer)
{
    ShowBusy(false);
    const std::string bytes(answer.constData(), static_cast<std::size_t>(answer.size()));
    std::vector<std::string> lines;
    SplitLines(bytes, lines);
    QStringList text;
    text.reserve(static_cast<qsizetype>(lines.size()));
    for (const std::string& line : lines)
        text.append(TextFromBytes(line));
    meResults->setPlainText(text.join(QLatin1Char('\n')));
    // Blank fields read as a check reads them: with the fallback section's texts.
    const TServerStrings fallback =
        TServerStrings::Load(TIniFile(ConfigPath), std::string(ConfigKeys::FallbackSection));
    lVerdict->setText(TextFromBytes(FieldStrings().Verdict(bytes, QueriedDomain, fallback)));
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

TServerStrings TfSP::FieldStrings() const
{
    TServerStrings strings;
    strings.NotFound = BytesFromText(eNotfound->text());
    strings.WhoisServer = BytesFromText(eWhoisServer->text());
    strings.Registrar = BytesFromText(eRegistrar->text());
    strings.Expires = BytesFromText(eExpires->text());
    strings.Limits = BytesFromText(eLimits->text());
    eMinInterval->interpretText();
    strings.MinInterval = eMinInterval->value();
    return Loaded.KeptOrTyped(strings);
}

void TfSP::bOkClick()
{
    if (ServerName.empty())
        return; // no section without a name is ever written
    try {
        FieldStrings().Save(TIniFile(ConfigPath), ServerName);
    } catch (const TQuarrowError& error) {
        Desktop.Tell(this, QString::fromStdString(error.what()));
        return;
    }
    accept();
}

void TfSP::reject()
{
    IntervalWait->stop();
    Query->Cancel();
    QDialog::reject();
}
