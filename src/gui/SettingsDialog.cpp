#include "gui/SettingsDialog.h"

#include "base/QuarrowError.h"
#include "gui/Desktop.h"
#include "gui/DialogParts.h"
#include "gui/ProxyPoolEditor.h"
#include "gui/ServerPropertiesDialog.h"
#include "models/ByteText.h"
#include "models/IdnaName.h"
#include "models/ShownRowsModel.h"
#include "models/TldListModel.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QSpinBox* NumberEdit(const char* name, TSpinRange range, QWidget* parent)
{
    auto* spin = Named<QSpinBox>(name, parent);
    spin->setRange(range.Min, range.Max);
    spin->setLocale(QLocale::system());
    spin->setGroupSeparatorShown(true);
    return spin;
}

QCheckBox* CheckBox(const char* name, const QString& caption, QWidget* parent)
{
    auto* box = Named<QCheckBox>(name, parent);
    box->setText(caption);
    return box;
}

} // namespace

TfSett::TfSett(std::string configPath, TDesktop& desktop, QWidget* parent)
    : QDialog(parent), ConfigPath(std::move(configPath)), Desktop(desktop)
{
    setObjectName(QStringLiteral("fSett"));
    setWindowTitle(QStringLiteral("Options"));

    PageControl = new QTabWidget(this);
    PageControl->setObjectName(QStringLiteral("pcSett"));
    PageControl->addTab(CreateServersPage(), QStringLiteral("Whois servers"));
    PageControl->addTab(CreateConnectionPage(), QStringLiteral("Connection"));
    PageControl->addTab(CreatePreferencesPage(), QStringLiteral("Additional"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    const TDialogButtons row = AddDialogButtons(this, buttons);
    bOk = row.Ok;
    connect(row.Ok, &QPushButton::clicked, this, &TfSett::bOkClick);
    // A further proxy the pool could not use keeps OK off; its row is marked on the Connection page.
    connect(ProxyPool, &TProxyPoolEditor::ValidityChanged, this, &TfSett::tEDTimer);
    connect(row.Help, &QPushButton::clicked, this, &TfSett::bHelpClick);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize); // a fixed dialog border

    tED = new QTimer(this);
    tED->setObjectName(QStringLiteral("tED"));
    tED->setInterval(250);
    connect(tED, &QTimer::timeout, this, &TfSett::tEDTimer);
    tED->start();
    // The mark and OK follow each keystroke, not only the next timer tick.
    connect(eDnsServer, &QLineEdit::textChanged, this, &TfSett::tEDTimer);

    LoadPages(TSettingsPages::Load(TIniFile(ConfigPath)));
    tEDTimer();
}

QWidget* TfSett::CreateServersPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tsWP"));
    eTLD = Named<QLineEdit>("eTLD", page);
    eWS = Named<QLineEdit>("eWS", page);
    sbTLD = Named<QToolButton>("sbTLD", page);
    sbTLD->setText(QStringLiteral("+"));
    sbTLD->setToolTip(QStringLiteral("Add"));
    sbTLD->setAccessibleName(QStringLiteral("Add"));
    sbTLD->setEnabled(false);
    connect(sbTLD, &QToolButton::clicked, this, &TfSett::sbTLDClick);
    // Enter in the two fields adds the row (or moves on to the field still empty), never OK.
    eTLD->installEventFilter(this);
    eWS->installEventFilter(this);

    Servers = new TTldListModel(this);
    ShownServers = new TShownRowsModel(*Servers, this);
    eFilter = Named<QLineEdit>("eFilter", page);
    eFilter->setAccessibleName(QStringLiteral("Filter servers"));
    eFilter->setPlaceholderText(QStringLiteral("Filter by TLD or server"));
    eFilter->setClearButtonEnabled(true);
    connect(eFilter, &QLineEdit::textChanged, ShownServers, [this](const QString& typed) {
        const QString needle = typed.trimmed();
        ShownServers->SetTest(needle.isEmpty() ? std::function<bool(int)>()
                                               : [this, needle](int row) { return Servers->Matches(row, needle); });
    });
    lvTLD = Named<QTableView>("lvTLD", page);
    lvTLD->setAccessibleName(QStringLiteral("Whois servers"));
    lvTLD->setModel(ShownServers);
    lvTLD->horizontalHeader()->hide();
    lvTLD->verticalHeader()->hide();
    lvTLD->horizontalHeader()->setStretchLastSection(true);
    lvTLD->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    lvTLD->verticalHeader()->setDefaultSectionSize(lvTLD->fontMetrics().height() + 4);
    lvTLD->setColumnWidth(0, 90);
    lvTLD->setShowGrid(true);
    lvTLD->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvTLD->setSelectionMode(QAbstractItemView::SingleSelection);
    lvTLD->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvTLD->setContextMenuPolicy(Qt::CustomContextMenu);
    lvTLD->setMinimumSize(380, 200);
    connect(lvTLD, &QTableView::customContextMenuRequested, this, &TfSett::pmWhoisPopup);

    pmWhois = new QMenu(this);
    pmWhois->setObjectName(QStringLiteral("pmWhois"));
    miDelete = pmWhois->addAction(QStringLiteral("Delete"));
    miDelete->setObjectName(QStringLiteral("miDelete"));
    pmWhois->addSeparator();
    miProperties = pmWhois->addAction(QStringLiteral("Properties..."));
    miProperties->setObjectName(QStringLiteral("miProperties"));
    connect(miDelete, &QAction::triggered, this, &TfSett::miDeleteClick);
    connect(miProperties, &QAction::triggered, this, &TfSett::miPropertiesClick);

    auto* entry = new QGridLayout;
    entry->addWidget(BuddyLabel(QStringLiteral("TLD:"), eTLD, page), 0, 0);
    entry->addWidget(BuddyLabel(QStringLiteral("Whois server:"), eWS, page), 0, 1);
    entry->addWidget(eTLD, 1, 0);
    entry->addWidget(eWS, 1, 1);
    entry->addWidget(sbTLD, 1, 2);
    entry->setColumnStretch(1, 1);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Heading("lWP", QStringLiteral("Whois preferences"), page));
    layout->addLayout(IconText("lWS",
                               QStringLiteral("Here you can specify top-level domain settings for the Whois server. "
                                              "It is necessary for the program to collect data about domains by "
                                              "servers. "),
                               page));
    layout->addLayout(entry);
    layout->addWidget(eFilter);
    layout->addWidget(lvTLD, 1);
    return page;
}

QWidget* TfSett::CreateConnectionPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet2"));
    cbUseProxy = CheckBox("cbUseProxy", QStringLiteral("I use a proxy server"), page);
    cbSOCKS = Named<QComboBox>("cbSOCKS", page);
    cbSOCKS->setEditable(true);
    cbSOCKS->setInsertPolicy(QComboBox::NoInsert);
    for (const char* name : SocksTypeNames)
        cbSOCKS->addItem(QLatin1String(name));
    eServer = Named<QLineEdit>("eServer", page);
    ePort = Named<QLineEdit>("ePort", page);
    eUser = Named<QLineEdit>("eUser", page);
    ePassword = Named<QLineEdit>("ePassword", page);
    // Masked: the settings dialog is often opened with someone looking over the user's shoulder.
    ePassword->setEchoMode(QLineEdit::Password);
    cbShowPassword = CheckBox("cbShowPassword", QStringLiteral("Show password"), page);
    connect(cbShowPassword, &QCheckBox::toggled, this,
            [this](bool shown) { ePassword->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password); });

    auto* form = new QFormLayout;
    form->addRow(BuddyLabel(QStringLiteral("Type:"), cbSOCKS, page), cbSOCKS);
    form->addRow(BuddyLabel(QStringLiteral("Server:"), eServer, page), eServer);
    form->addRow(BuddyLabel(QStringLiteral("Port:"), ePort, page), ePort);
    form->addRow(BuddyLabel(QStringLiteral("User ID:"), eUser, page), eUser);
    form->addRow(BuddyLabel(QStringLiteral("Password:"), ePassword, page), ePassword);
    form->addRow(QString(), cbShowPassword);

    ProxyPool = new TProxyPoolEditor(page);
    // A test asks the host the table names for .com, as a check of a .com name would.
    ProxyPool->TestHost = [this] {
        for (const TTldRow& row : Servers->All())
            if (row.Domain == "com" && !row.Server.starts_with("https://"))
                return row.Server;
        return std::string(ConfigKeys::FallbackWhoisHost);
    };

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Heading("lCP", QStringLiteral("Connection preferences"), page));
    layout->addLayout(IconText("lC",
                               QStringLiteral("Connection preferences allow you to configure a proxy server. Please "
                                              "contact your network administrator if you are not sure about your "
                                              "Internet connection and how to specify the appropriate options here."),
                               page));
    layout->addWidget(cbUseProxy);
    layout->addLayout(form);
    layout->addWidget(ProxyPool);
    layout->addStretch();
    return page;
}

QWidget* TfSett::CreatePreferencesPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tsPref"));
    cbUseHyp = CheckBox("cbUseHyp", QStringLiteral("Using the hyphens"), page);
    cbUseHyp->setToolTip(QStringLiteral("If you also wish to generate domain names with hyphens, tick the "
                                        "appropriate item \u2013 \"Using the hyphens check box\"."));
    cbUpdate = CheckBox("cbUpdate", QStringLiteral("Auto check for updates"), page);
    cbWordsUpd = CheckBox("cbWordsUpd", QStringLiteral("Test presence of new dictionaryes automatically"), page);
    cbWordsUpd->setEnabled(false);
    cbWordsUpd->setVisible(false);
    eThrdCount = NumberEdit("eThrdCount", ThreadCountRange, page);
    eAttempts = NumberEdit("eAttempts", AttemptsRange, page);
    ePause = NumberEdit("ePause", PauseRange, page);
    cbDnsFirst = CheckBox("cbDnsFirst", QStringLiteral("Ask DNS first"), page);
    cbDnsFirst->setToolTip(QStringLiteral("A name that has name servers in DNS is registered: it reads NO without "
                                          "a WHOIS query. Every other name is still asked of its WHOIS server."));
    // Said beside the option, not only in a tooltip: whoever hides behind proxies must see it.
    auto* dnsNote = new QLabel(QStringLiteral("DNS queries leave from this computer's own address, never through "
                                              "the proxies of the Connection page."),
                               page);
    dnsNote->setObjectName(QStringLiteral("lDnsNote"));
    dnsNote->setWordWrap(true);
    eDnsServer = Named<QLineEdit>("eDnsServer", page);
    eDnsServer->setPlaceholderText(QStringLiteral("the system's resolver"));
    // Room for an IPv6 address with its port, and for the placeholder.
    eDnsServer->setMinimumWidth(eDnsServer->fontMetrics().horizontalAdvance(QStringLiteral("[2001:db8::53]:5353__")));
    eDnsServer->setAccessibleName(QStringLiteral("DNS server"));
    eDnsServer->setToolTip(QStringLiteral("An IP address, optionally with a port (192.0.2.53:5353); empty: the "
                                          "system's resolver"));

    QLabel* threadLabel = BuddyLabel(QStringLiteral("Max. simultaneous connections"), eThrdCount, page);
    threadLabel->setToolTip(QStringLiteral("\"Max. simultaneous connections\" is adjusted in the program and "
                                           "depends on the speed and quality of your ISP connection. The optimum "
                                           "number of connections is usually 30."));
    auto* numbers = new QGridLayout;
    numbers->addWidget(threadLabel, 0, 0);
    numbers->addWidget(eThrdCount, 0, 1);
    numbers->addWidget(BuddyLabel(QStringLiteral("Connection attempts"), eAttempts, page), 1, 0);
    numbers->addWidget(eAttempts, 1, 1);
    numbers->addWidget(BuddyLabel(QStringLiteral("Connection interval"), ePause, page), 2, 0);
    numbers->addWidget(ePause, 2, 1);
    numbers->addWidget(new QLabel(QStringLiteral("ms"), page), 2, 2);
    numbers->addWidget(BuddyLabel(QStringLiteral("DNS server"), eDnsServer, page), 3, 0);
    numbers->addWidget(eDnsServer, 3, 1, 1, 2);
    numbers->setColumnStretch(3, 1);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Heading("lGP", QStringLiteral("Additional parameters"), page));
    layout->addLayout(IconText("lPref",
                               QStringLiteral("These are the additional parameters of program, the maximum number "
                                              "of simultaneous threads. Use separate symbols and other parameters "
                                              "here. "),
                               page));
    layout->addWidget(cbUseHyp);
    layout->addWidget(cbUpdate);
    layout->addWidget(cbWordsUpd);
    layout->addWidget(cbDnsFirst);
    layout->addWidget(dnsNote);
    layout->addLayout(numbers);
    layout->addStretch();
    return page;
}

void TfSett::LoadPages(const TSettingsPages& pages)
{
    Servers->SetAll(pages.Servers);
    cbUseProxy->setChecked(pages.Proxy.UseProxy);
    cbSOCKS->setCurrentIndex(pages.Proxy.SOCKS >= 0 && pages.Proxy.SOCKS < cbSOCKS->count() ? pages.Proxy.SOCKS : -1);
    eServer->setText(TextFromBytes(pages.Proxy.Server));
    ePort->setText(TextFromBytes(pages.Proxy.Port));
    eUser->setText(TextFromBytes(pages.Proxy.User));
    ePassword->setText(TextFromBytes(pages.Proxy.Password));
    ProxyPool->SetProxies(pages.FurtherProxies);
    cbUseHyp->setChecked(pages.Preferences.UseHyphens);
    cbUpdate->setChecked(pages.Preferences.UseUpdate);
    cbWordsUpd->setChecked(pages.Preferences.UseUpdateWords);
    eThrdCount->setValue(pages.Preferences.ThreadCount);
    eAttempts->setValue(pages.Preferences.Attempts);
    ePause->setValue(pages.Preferences.Pause);
    cbDnsFirst->setChecked(pages.Preferences.DnsFirst);
    eDnsServer->setText(TextFromBytes(pages.Preferences.DnsServer));
    tEDTimer();
}

void TfSett::SelectPage(TPage page)
{
    PageControl->setCurrentIndex(page);
}

TSettingsPages TfSett::Pages() const
{
    TSettingsPages pages;
    pages.Servers = Servers->All();
    pages.Proxy.UseProxy = cbUseProxy->isChecked();
    pages.Proxy.SOCKS = SocksIndexOf(BytesFromText(cbSOCKS->currentText()));
    pages.Proxy.Server = BytesFromText(eServer->text());
    pages.Proxy.Port = BytesFromText(ePort->text());
    pages.Proxy.User = BytesFromText(eUser->text());
    pages.Proxy.Password = BytesFromText(ePassword->text());
    pages.FurtherProxies = ProxyPool->Proxies();
    pages.Preferences.UseHyphens = cbUseHyp->isChecked();
    pages.Preferences.UseUpdate = cbUpdate->isChecked();
    pages.Preferences.UseUpdateWords = cbWordsUpd->isChecked();
    // A number typed but not yet confirmed counts as the spin box would take it.
    eThrdCount->interpretText();
    eAttempts->interpretText();
    ePause->interpretText();
    pages.Preferences.ThreadCount = eThrdCount->value();
    pages.Preferences.Attempts = eAttempts->value();
    pages.Preferences.Pause = ePause->value();
    pages.Preferences.DnsFirst = cbDnsFirst->isChecked();
    pages.Preferences.DnsServer = BytesFromText(eDnsServer->text());
    return pages;
}

void TfSett::bOkClick()
{
    if (!DnsServerFieldProblem(BytesFromText(eDnsServer->text())).empty())
        return; // the timer has not caught up with the last keystroke yet
    if (!ProxyPool->Valid()) {
        PageControl->setCurrentIndex(PageConnection);
        return;
    }
    const TSettingsPages pages = Pages();
    if (const int row = FirstUnsavableTldRow(pages.Servers); row >= 0) {
        PageControl->setCurrentIndex(PageWhoisServers);
        eFilter->clear(); // the row must be in sight
        const int shown = ShownServers->ShownRow(row);
        lvTLD->selectRow(shown);
        lvTLD->scrollTo(ShownServers->index(shown, 0));
        Desktop.Tell(this, QStringLiteral("The TLD \"%1\" in row %2 cannot be saved: a TLD holds no \"=\" and "
                                          "does not start with \";\" or \"[\". Delete the row or add it again.")
                               .arg(TextFromBytes(pages.Servers[static_cast<std::size_t>(row)].Domain))
                               .arg(row + 1));
        return;
    }
    try {
        pages.Save(TIniFile(ConfigPath));
    } catch (const TQuarrowError& error) {
        // Nothing was written: the user can free the disk or fix the file's rights and press OK again.
        Desktop.Tell(this, QString::fromStdString(error.what()));
        return;
    }
    accept();
}

bool TfSett::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == eTLD || watched == eWS) && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (CanAddTldRow(BytesFromText(eTLD->text()), BytesFromText(eWS->text()))) {
                sbTLDClick();
                eTLD->setFocus();
            } else {
                (eTLD->text().trimmed().isEmpty() ? eTLD : eWS)->setFocus();
            }
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfSett::tEDTimer()
{
    sbTLD->setEnabled(CanAddTldRow(BytesFromText(eTLD->text()), BytesFromText(eWS->text())));
    // A resolver address that could not be used is marked, and OK waits until it is fixed, as it
    // waits for every further proxy to be usable.
    const std::string problem = DnsServerFieldProblem(BytesFromText(eDnsServer->text()));
    const bool marked = !problem.empty();
    if (eDnsServer->property("invalid").toBool() != marked) {
        eDnsServer->setProperty("invalid", marked);
        eDnsServer->setStyleSheet(marked ? QStringLiteral("QLineEdit { background: #ffd6d6; }") : QString());
    }
    eDnsServer->setToolTip(marked ? QString::fromStdString(problem)
                                  : QStringLiteral("An IP address, optionally with a port (192.0.2.53:5353); empty: "
                                                   "the system's resolver"));
    bOk->setEnabled(!marked && ProxyPool->Valid());
}

void TfSett::sbTLDClick()
{
    // The button is enabled by the timer; a click in the moment before it catches up adds nothing.
    const std::string domain = BytesFromText(eTLD->text());
    const std::string server = BytesFromText(eWS->text());
    if (!CanAddTldRow(domain, server))
        return;
    TTldRow row = NewTldRow(domain, server);
    // Names are looked up under the A-label of their top-level domain: "рф" is kept as "xn--p1ai".
    if (const TIdnaName tld = TIdnaName::Of(row.Domain); tld.International && tld.Problem.empty())
        row.Domain = tld.Ace;
    Servers->Append(std::move(row));
    eFilter->clear(); // the new row must be in sight
    lvTLD->scrollToBottom();
    eTLD->clear();
    eWS->clear();
}

int TfSett::SelectedRow() const
{
    const QModelIndexList rows = lvTLD->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : ShownServers->SourceRow(rows.constFirst().row());
}

void TfSett::pmWhoisPopup(const QPoint& position)
{
    const bool selected = SelectedRow() >= 0;
    miDelete->setEnabled(selected);
    miProperties->setEnabled(selected);
    pmWhois->popup(lvTLD->viewport()->mapToGlobal(position));
}

void TfSett::miDeleteClick()
{
    const int row = SelectedRow();
    if (row < 0 || !Desktop.Ask(this, QStringLiteral("Удалить активную запись?")))
        return;
    try {
        TIniFile(ConfigPath).DeleteKey(std::string(ConfigKeys::TldSection), Servers->All()[row].Domain);
    } catch (const TQuarrowError& error) {
        Desktop.Tell(this, QString::fromStdString(error.what()));
        return;
    }
    Servers->Remove(row);
}

void TfSett::miPropertiesClick()
{
    const int row = SelectedRow();
    if (row < 0)
        return;
    // Owned by the main window, as when it is opened from the domain table: centred there, and
    // not bound to this dialog's place.
    TfSP properties(ConfigPath, Desktop, parentWidget() ? parentWidget() : this);
    properties.Execute(Servers->All()[row].Server);
}

void TfSett::bHelpClick()
{
    Desktop.OpenHelp(QStringLiteral("settings.html"));
}
