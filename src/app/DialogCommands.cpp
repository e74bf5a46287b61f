#include "app/DialogCommands.h"

#include "app/MainActions.h"
#include "app/WindowDesktop.h"
#include "gui/AboutBox.h"
#include "gui/ServerPropertiesDialog.h"
#include "gui/SettingsDialog.h"
#include "models/ByteText.h"
#include "models/DomainTableModel.h"
#include "models/TableExport.h"

#include <QAction>
#include <QLineEdit>
#include <QTableView>

#include <utility>

TDialogCommands::TDialogCommands(QWidget& window, QAbstractItemView& domainView, TMainActions& actions,
                                 const std::string& configPath, const std::string& programFolder,
                                 std::function<void(const QUrl&)> openUrl)
    : QObject(&window), Window(window), DomainView(domainView), ConfigPath(configPath), ProgramFolder(programFolder),
      OwnDesktop(std::make_unique<TWindowDesktop>(std::move(openUrl), programFolder)), Current(OwnDesktop.get()),
      ResultCmds(std::make_unique<TResultCommands>(domainView, *Current, &window))
{
    TMainActions& a = actions;
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
    ResultCmds = std::make_unique<TResultCommands>(DomainView, *Current, &Window);
}

void TDialogCommands::OpenSettings(int page)
{
    {
        TfSett dialog(ConfigPath, *Current, &Window);
        if (page >= 0)
            dialog.SelectPage(static_cast<TfSett::TPage>(page));
        dialog.exec();
    }
    emit SettingsClosed();
}

void TDialogCommands::OpenServerProperties(int viewRow)
{
    const QAbstractItemModel* shown = DomainView.model();
    if (viewRow < 0 || viewRow >= shown->rowCount())
        return;
    OpenServerPropertiesFor(TextFromBytes(CellBytes(*shown, viewRow, TDomainTableModel::ColumnDomain)),
                            TextFromBytes(CellBytes(*shown, viewRow, TDomainTableModel::ColumnWhoisServer)));
}

void TDialogCommands::OpenServerPropertiesFor(const QString& domain, const QString& whoisServer)
{
    TfSP dialog(ConfigPath, *Current, &Window);
    dialog.TestDomain()->setText(domain);
    dialog.Execute(BytesFromText(whoisServer));
}

void TDialogCommands::aAboutExecute()
{
    TfAbout about(ProgramFolder + "quarrow", *Current, &Window);
    about.exec();
}
