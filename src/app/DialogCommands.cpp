#include "app/DialogCommands.h"

#include "app/HelpOpener.h"
#include "app/MainActions.h"
#include "app/MainWindow.h"
#include "config/ServerPropertiesDialog.h"
#include "config/SettingsDialog.h"
#include "engine/DomainTableModel.h"
#include "ui/AboutBox.h"
#include "ui/ByteText.h"
#include "ui/TableExport.h"

#include <QAction>
#include <QDesktopServices>
#include <QLineEdit>
#include <QTableView>

namespace {

// The window's desktop: addresses go where the window sends them (tests catch them there), help
// pages are found as the window finds its own.
class TWindowDesktop : public TDesktop
{
public:
    explicit TWindowDesktop(const TfMain& window)
        : OpenUrl(window.Context().OpenUrl), Help(window.Context().Folders.ProgramFolder, window.Context().OpenUrl)
    {
    }

    void Open(const QUrl& address) override
    {
        if (OpenUrl)
            OpenUrl(address);
        else
            QDesktopServices::openUrl(address);
    }
    void OpenHelp(const QString& page) override { Help.Open(BytesFromText(page)); }

private:
    std::function<void(const QUrl&)> OpenUrl;
    THelpOpener Help;
};

} // namespace

TDialogCommands::TDialogCommands(TfMain& window)
    : QObject(&window), Window(window), OwnDesktop(std::make_unique<TWindowDesktop>(window)), Current(OwnDesktop.get()),
      ResultCmds(std::make_unique<TResultCommands>(*window.DomainView(), *Current, &window))
{
    TMainActions& a = window.Actions();
    connect(a.aSett, &QAction::triggered, this, [this] { OpenSettings(-1); });
    connect(a.Whoisservers1, &QAction::triggered, this, [this] { OpenSettings(TfSett::PageWhoisServers); });
    connect(a.Connections1, &QAction::triggered, this, [this] { OpenSettings(TfSett::PageConnection); });
    connect(a.Preferences1, &QAction::triggered, this, [this] { OpenSettings(TfSett::PageAdditional); });
    connect(a.aAbout, &QAction::triggered, this, &TDialogCommands::aAboutExecute);
    connect(a.aSaveResultAsHTML, &QAction::triggered, this, [this] { ResultCmds->aSaveResultAsHTMLExecute(); });
    connect(a.aExportCsv, &QAction::triggered, this, [this] { ResultCmds->ExportRecordsExecute(TRecordFormat::Csv); });
    connect(a.aExportJson, &QAction::triggered, this,
            [this] { ResultCmds->ExportRecordsExecute(TRecordFormat::Json); });
    connect(a.ACopyNameToClipboard, &QAction::triggered, this, [this] { ResultCmds->ACopyNameToClipboardExecute(); });
    connect(a.aCopyAvailabilityNamesToClipboard, &QAction::triggered, this,
            [this] { ResultCmds->aCopyAvailabilityNamesToClipboardExecute(); });
    connect(a.aRegisterDomain, &QAction::triggered, this, [this] { ResultCmds->aRegisterDomainExecute(); });
}

TDialogCommands::~TDialogCommands() = default;

void TDialogCommands::SetDesktop(TDesktop* desktop)
{
    Current = desktop ? desktop : OwnDesktop.get();
    ResultCmds = std::make_unique<TResultCommands>(*Window.DomainView(), *Current, &Window);
}

void TDialogCommands::OpenSettings(int page)
{
    {
        TfSett dialog(Window.ConfigPath(), *Current, &Window);
        if (page >= 0)
            dialog.SelectPage(static_cast<TfSett::TPage>(page));
        dialog.exec();
    }
    // Confirmed or cancelled: a deletion in the host table has been written either way.
    Window.SettingsDialogClosed();
}

void TDialogCommands::OpenServerProperties(int viewRow)
{
    const QAbstractItemModel* shown = Window.DomainView()->model();
    if (viewRow < 0 || viewRow >= shown->rowCount())
        return;
    OpenServerPropertiesFor(TextFromBytes(CellBytes(*shown, viewRow, TDomainTableModel::ColumnDomain)),
                            TextFromBytes(CellBytes(*shown, viewRow, TDomainTableModel::ColumnWhoisServer)));
}

void TDialogCommands::OpenServerPropertiesFor(const QString& domain, const QString& whoisServer)
{
    TfSP dialog(Window.ConfigPath(), *Current, &Window);
    dialog.TestDomain()->setText(domain);
    dialog.Execute(BytesFromText(whoisServer));
}

void TDialogCommands::aAboutExecute()
{
    TfAbout about(Window.Context().Folders.ProgramFolder + "quarrow", *Current, &Window);
    about.exec();
}
