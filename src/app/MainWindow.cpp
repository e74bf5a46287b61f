#include "app/MainWindow.h"

#include "engine/ResultJournal.h"

#include "app/CheckCommands.h"
#include "app/DialogCommands.h"
#include "app/FilterCommands.h"
#include "app/MainActions.h"
#include "app/MainProjectWorkspace.h"
#include "app/WindowLayout.h"
#include "app/WordFileCommands.h"
#include "engine/EvidenceRereader.h"
#include "engine/GenerateCommand.h"
#include "engine/ProjectController.h"
#include "engine/ResultJournal.h"
#include "gui/AnswersPanel.h"
#include "gui/HelpOpener.h"
#include "gui/ProjectDialogs.h"
#include "gui/StatusPanel.h"
#include "gui/WordListsPanel.h"
#include "gui/ZqListView.h"
#include "models/WordLists.h"
#include "settings/EngineSettings.h"
#include "settings/ShippedData.h"
#include "settings/ShowTourFlag.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QProgressBar>
#include <QSplitter>
#include <QStatusBar>
#include <QStringList>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

constexpr int DesignClientWidth = 784;
constexpr int DesignClientHeight = 566;
constexpr int DesignLeftPanelWidth = 223;
constexpr int DesignTopPanelHeight = 404;
constexpr int SplitterWidth = 4;
constexpr int DesignToolBarHeight = 57;
constexpr int DesignStatusBarHeight = 19;
constexpr int DesignBottomPanelHeight =
    DesignClientHeight - DesignToolBarHeight - DesignTopPanelHeight - SplitterWidth - DesignStatusBarHeight;

// A panel with the 2-pixel inner border of the design.
QWidget* Panel(const char* name, QWidget* child, QWidget* parent)
{
    auto* panel = new QWidget(parent);
    panel->setObjectName(QLatin1String(name));
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(2, 2, 2, 2);
    if (child)
        layout->addWidget(child);
    return panel;
}

} // namespace

TfMain::TfMain(TMainWindowContext context, QWidget* parent) : QMainWindow(parent), Env(std::move(context))
{
    setObjectName(QStringLiteral("fMain"));
    if (!Env.ProjectsFolder)
        Env.ProjectsFolder = [] { return ::ProjectsFolder(); };
    Help = std::make_unique<THelpOpener>(Env.Folders.ProgramFolder, Env.OpenUrl);

    DomainModel = new TDomainTableModel(this);
    CheckDispatcher = new TCheckDispatcher(*DomainModel, Env.CheckOptions, this);
    Lists = new TWordLists(this);
    GenerateCmd = new TGenerateCommand(NameGenerator, *Lists, *DomainModel, this);
    Commands = new TMainActions(this);
    WordFileCmds = new TWordFileCommands(*Lists, *Env.XmlStore, Env.ProjectsFolder, this);
    WordFileCmds->SetDialogs(TWordFileCommands::StandardDialogs(this));

    CreateControls();
    CreateStatusBar();
    FilterCmds = new TFilterCommands(lvDomains->SortProxy(), *Commands, cbFilter, ShownPanel, ConfigPath(), this);
    CheckCmds = new TCheckCommands(
        *CheckDispatcher, *Commands, ThreadsPanel, TotalPanel, pb, [this] { return SelectedRowId(); }, this);
    ProjectPrompts = std::make_unique<TProjectDialogs>(this);
    ProjectWorkspace = std::make_unique<TMainProjectWorkspace>(
        *Lists, *pcwords, *CheckDispatcher, *mAns, *pb, ConfigPath(), NameGenerator, [this] { return UseHyphens(); });
    ProjectCmds = new TProjectController(
        *Env.XmlStore, lvDomains->SortProxy(), *ProjectWorkspace, *ProjectPrompts,
        [this] { return QString::fromStdString(Env.ProjectsFolder()); }, this);
    CloseQuestion = [this] { return ProjectCmds->CloseQuery(); };
    // Results are journalled as they arrive, so that a crash during a long check loses none.
    Journal = new TResultJournal(*DomainModel, this);
    Rereader = new TEvidenceRereader(*DomainModel, ConfigPath(), this);
    connect(CheckDispatcher, &TCheckDispatcher::ResultApplied, Journal, &TResultJournal::Record);
    ProjectCmds->SetJournal(Journal,
                            Env.Folders.DataFolder.empty() ? std::string() : Env.Folders.DataFolder + RecoveryFileName);
    ConnectCommands();
    DialogCmds = new TDialogCommands(*this, *lvDomains, *Commands, Env.CheckOptions.ConfigPath,
                                     Env.Folders.ProgramFolder, Env.OpenUrl);
    connect(DialogCmds, &TDialogCommands::SettingsClosed, this, &TfMain::SettingsDialogClosed);
    connect(lvDomains, &TzqListView::ServerPropertiesRequested, DialogCmds, &TDialogCommands::OpenServerPropertiesFor);
    LoadSettings();

    setWindowTitle(QStringLiteral("Quarrow 2009"));
    setMinimumSize(450, 300);
    // The design's client area lies below the menu bar.
    resize(DesignClientWidth, DesignClientHeight + menuBar()->sizeHint().height());
    // F1 works wherever the focus is, as the window sees every key first.
    qApp->installEventFilter(this);
}

TfMain::~TfMain()
{
    qApp->removeEventFilter(this);
}

void TfMain::CreateControls()
{
    auto* tb = new QToolBar(this);
    tb->setObjectName(QStringLiteral("tb"));
    tb->setMovable(false);
    tb->setFixedHeight(DesignToolBarHeight);
    Commands->BuildToolBar(tb);
    addToolBar(tb);
    Commands->BuildMenuBar(menuBar());
    menuBar()->setObjectName(QStringLiteral("mm"));

    pcwords = new TWordListsPanel(*Lists, this);
    lPan = Panel("lPan", pcwords, this);
    lvDomains = CreateDomainView(this);
    rPan = Panel("rPan", nullptr, this);
    // The filter above the table, named for screen readers by its label.
    auto* filterBar = new QHBoxLayout;
    auto* filterLabel = new QLabel(QStringLiteral("&Show:"), rPan);
    filterLabel->setObjectName(QStringLiteral("lFilter"));
    cbFilter = new QComboBox(rPan);
    cbFilter->setObjectName(QStringLiteral("cbFilter"));
    cbFilter->setAccessibleName(QStringLiteral("Show rows"));
    filterLabel->setBuddy(cbFilter);
    filterBar->addWidget(filterLabel);
    filterBar->addWidget(cbFilter);
    filterBar->addStretch(1);
    auto* rightLayout = static_cast<QVBoxLayout*>(rPan->layout());
    rightLayout->addLayout(filterBar);
    rightLayout->addWidget(lvDomains, 1);

    pTop = new QSplitter(Qt::Horizontal, this);
    pTop->setObjectName(QStringLiteral("pTop"));
    pTop->setHandleWidth(SplitterWidth);
    pTop->setChildrenCollapsible(false);
    pTop->addWidget(lPan);
    pTop->addWidget(rPan);
    pTop->setStretchFactor(1, 1);
    pTop->handle(1)->setObjectName(QStringLiteral("Splitter1"));
    pTop->setMinimumHeight(202);
    pTop->setSizes({DesignLeftPanelWidth, DesignClientWidth - DesignLeftPanelWidth - SplitterWidth});

    mAns = new TAnswersPanel(this);
    pBottom = Panel("pBottom", mAns, this);

    Splitter2Host = new QSplitter(Qt::Vertical, this);
    Splitter2Host->setObjectName(QStringLiteral("pClient"));
    Splitter2Host->setHandleWidth(SplitterWidth);
    Splitter2Host->setChildrenCollapsible(false);
    Splitter2Host->addWidget(pTop);
    Splitter2Host->addWidget(pBottom);
    Splitter2Host->setStretchFactor(0, 1);
    Splitter2Host->handle(1)->setObjectName(QStringLiteral("Splitter2"));
    Splitter2Host->setSizes({DesignTopPanelHeight, DesignBottomPanelHeight});
    setCentralWidget(Splitter2Host);
}

TzqListView* TfMain::CreateDomainView(QWidget* parent)
{
    auto* view = new TzqListView(*DomainModel, parent);
    view->setObjectName(QStringLiteral("lvDomains"));
    view->setAccessibleName(QStringLiteral("Domains"));
    view->SetSortType(stBoth);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, this, [this, view](const QPoint& at) {
        UpdateDomainsPopup();
        Commands->pmDomains->popup(view->viewport()->mapToGlobal(at));
    });
    connect(view, &TzqListView::DomainsClick, this, &TfMain::lvDomainsClick);
    return view;
}

QTableView* TfMain::DomainView() const
{
    return lvDomains;
}

void TfMain::lvDomainsClick()
{
    ShowAnswers(lvDomains->SelectedSourceRow());
}

void TfMain::ShowAnswers(int row)
{
    AnswersRow = DomainModel->IdAt(row);
    if (row < 0) {
        mAns->Clear();
        return;
    }
    const QString why = DomainModel->index(row, 0).data(TDomainTableModel::WhyRole).toString();
    // The line follows when the reading comes back (DomainDataChanged).
    if (why.isEmpty())
        Rereader->Request(row);
    mAns->Show(why, DomainModel->AnswerIndexOf(row) < 0 ? QString() : lvDomains->SortProxy().AnswersText(row));
}

void TfMain::DomainDataChanged(const QModelIndex& first, const QModelIndex& last, const QList<int>& roles)
{
    const int row = DomainModel->RowOf(AnswersRow);
    if (row < first.row() || row > last.row() || (!roles.isEmpty() && !roles.contains(TDomainTableModel::WhyRole)))
        return;
    ShowAnswers(row);
}

QListWidget* TfMain::AnswersPanel() const
{
    return mAns->Answers();
}

QLabel* TfMain::WhyLine() const
{
    return mAns->WhyLine();
}

void TfMain::CreateStatusBar()
{
    QStatusBar* sb = statusBar();
    sb->setObjectName(QStringLiteral("sb"));
    sb->setSizeGripEnabled(true);
    ThreadsPanel = static_cast<QLabel*>(TzqStatusPanel::AddPanel(sb, 200));
    ThreadsPanel->setObjectName(QStringLiteral("sbPanel0"));
    TotalPanel = static_cast<QLabel*>(TzqStatusPanel::AddPanel(sb, 200));
    TotalPanel->setObjectName(QStringLiteral("sbPanel1"));
    TzqStatusPanel::AddPanel(sb, 0)->setObjectName(QStringLiteral("sbPanel2"));
    ShownPanel = static_cast<QLabel*>(TzqStatusPanel::AddPanel(sb, 140));
    ShownPanel->setObjectName(QStringLiteral("sbPanel3"));

    pb = new QProgressBar(this);
    pb->setObjectName(QStringLiteral("pb"));
    pb->setAccessibleName(QStringLiteral("Progress"));
    pb->setTextVisible(false);
    pb->setRange(0, 1);
    pb->setValue(0);
    sp = new TzqStatusPanel(this);
    sp->setObjectName(QStringLiteral("sp"));
    // The index first: a status bar and control attached at index 0 would cover panel 0's text.
    sp->SetPanelIndex(2);
    sp->SetStatusBar(sb);
    sp->SetControl(pb);
    // The status bar draws a passing message (the start-up notice) across its whole width; the
    // progress bar, placed over panel 2, would hide its end.
    connect(sb, &QStatusBar::messageChanged, pb, [this](const QString& message) { pb->setVisible(message.isEmpty()); });
}

void TfMain::ConnectCommands()
{
    TMainActions& a = *Commands;
    connect(a.New1, &QAction::triggered, this, &TfMain::NewProject);
    connect(a.aOpenPrj, &QAction::triggered, this, [this] {
        if (!GenerateCmd->Busy())
            ProjectCmds->Open();
    });
    connect(a.aSavePrj, &QAction::triggered, this, [this] { ProjectCmds->Save(); });
    connect(a.aSavePrjAs, &QAction::triggered, this, [this] { ProjectCmds->SaveAs(); });
    connect(a.aSelectAllDomains, &QAction::triggered, this, [this] { lvDomains->SetAllChecked(true); });
    connect(a.aDeselectAllDomains, &QAction::triggered, this, [this] { lvDomains->SetAllChecked(false); });
    connect(ProjectCmds, &TProjectController::CaptionChanged, this, &QWidget::setWindowTitle);
    connect(ProjectCmds, &TProjectController::ModifiedChanged, this, &TfMain::ModifiedChanged);
    connect(a.Exit1, &QAction::triggered, this, &QWidget::close);
    connect(a.Help2, &QAction::triggered, this, &TfMain::OpenHelp);
    connect(a.aGenerate, &QAction::triggered, this, &TfMain::GenerateNames);
    connect(a.aLoadWords, &QAction::triggered, WordFileCmds, &TWordFileCommands::LoadWords);
    connect(a.aSaveWords, &QAction::triggered, WordFileCmds, &TWordFileCommands::SaveWords);
    connect(a.aSaveWas, &QAction::triggered, WordFileCmds, &TWordFileCommands::SaveWordsAs);

    connect(Lists, &TWordLists::Changed, this, [this] { SetModified(true); });
    connect(CheckCmds, &TCheckCommands::ModifiedSet, this, [this] { SetModified(true); });
    CheckCmds->SetStartGuard([this](bool pass) { return ProjectCmds->CheckStarting(pass); });
    // Asked while the project is still being opened: the pass starts once it is in the window.
    connect(ProjectCmds, &TProjectController::ContinueRequested, CheckCmds, &TCheckCommands::ContinueChecks,
            Qt::QueuedConnection);
    connect(GenerateCmd, &TGenerateCommand::BusyChanged, this, &TfMain::SetGenerating);
    connect(GenerateCmd, &TGenerateCommand::Progress, this, [this](int position, int maximum) {
        pb->setRange(0, std::max(maximum, 1));
        pb->setValue(position);
    });
    connect(GenerateCmd, &TGenerateCommand::Finished, this, [this] {
        SetModified(true);
        if (CloseAfterGeneration) {
            CloseAfterGeneration = false;
            close();
        }
    });
    connect(DomainModel, &QAbstractItemModel::modelReset, mAns, [this] {
        AnswersRow = NoRowId;
        mAns->Clear();
    });
    connect(DomainModel, &QAbstractItemModel::dataChanged, this, &TfMain::DomainDataChanged);

    // A pass walks the rows in the order the person sees them when it starts.
    CheckDispatcher->SetViewOrder([this] { return lvDomains->SortProxy().ViewOrder(); });
}

TRowId TfMain::SelectedRowId() const
{
    const QModelIndex current = lvDomains->selectionModel()->currentIndex();
    if (!current.isValid() || !lvDomains->selectionModel()->isRowSelected(current.row(), current.parent()))
        return NoRowId;
    return current.data(TDomainTableModel::RowIdRole).value<quint32>();
}

bool TfMain::Modified() const
{
    return ProjectCmds->Modified();
}

void TfMain::SetModified(bool modified)
{
    ProjectCmds->SetModified(modified);
}

const QString& TfMain::ProjectName() const
{
    return ProjectCmds->ProjectFileName();
}

void TfMain::LoadSettings()
{
    TEngineSettings settings = ::LoadSettings(ConfigPath());
    // A setting the file holds but that cannot be used is named, not dropped without a word.
    if (!settings.Problems.empty()) {
        QStringList problems;
        for (const std::string& problem : settings.Problems)
            problems << QString::fromStdString(problem);
        statusBar()->showMessage(problems.join(QStringLiteral("; ")));
    }
    CheckDispatcher->LoadSettings(settings);
}

void TfMain::NewProject()
{
    if (GenerateCmd->Busy())
        return;
    ProjectCmds->New();
}

void TfMain::GenerateNames()
{
    if (GenerateCmd->Busy())
        return;
    GenerateCmd->Run(UseHyphens());
}

void TfMain::SetGenerating(bool generating)
{
    if (generating)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    else
        QApplication::restoreOverrideCursor();
    // New rows take their sorted places batch by batch; the table is drawn once at the end.
    lvDomains->setUpdatesEnabled(!generating);
    // Nothing may change the lists, the table or the answers log until the run has ended.
    pcwords->setEnabled(!generating);
    TMainActions& a = *Commands;
    for (QAction* action : {a.aGenerate, a.New1, a.tbNew, a.aOpenPrj, a.aLoadWords, a.aSelectAllDomains,
                            a.aDeselectAllDomains, a.aExportCsv, a.aExportJson})
        action->setEnabled(!generating);
    CheckCmds->SetGenerating(generating);
}

void TfMain::UpdateDomainsPopup()
{
    const bool rows = lvDomains->model()->rowCount() > 0;
    Commands->UpdateDomainsPopup(rows, SelectedRowId() != NoRowId);
}

void TfMain::SaveLayout()
{
    TWindowLayout{this, pTop, Splitter2Host, lvDomains->horizontalHeader()}.Save(ConfigPath());
}

void TfMain::LoadLayout()
{
    TWindowLayout{this, pTop, Splitter2Host, lvDomains->horizontalHeader()}.Load(ConfigPath());
    FilterCmds->Load();
}

void TfMain::OpenHelp()
{
    Help->Open(TShippedData::StartPage);
}

void TfMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!Shown) {
        Shown = true;
        FormShow();
    }
}

void TfMain::FormShow()
{
    if (TakeShowTourFlag(ConfigPath()))
        Help->Open(TShippedData::TourPage);
    setWindowTitle(ProjectCmds->Caption());
    NewProject();
    LoadLayout();
    emit FirstShown();
}

bool TfMain::OfferRecovery()
{
    return ProjectCmds->OfferRecovery();
}

void TfMain::OpenAtStart(const QString& path)
{
    if (path.endsWith(QLatin1String(".ctg.xml"), Qt::CaseInsensitive))
        WordFileCmds->LoadWordsFrom(path.toStdString());
    else
        ProjectCmds->OpenFile(path);
}

void TfMain::closeEvent(QCloseEvent* event)
{
    // A run of the generator is filling the table part by part: it ends first, then the window closes.
    if (GenerateCmd->Busy()) {
        CloseAfterGeneration = true;
        GenerateCmd->Cancel();
        event->ignore();
        return;
    }
    SaveLayout();
    if (CloseQuestion && !CloseQuestion()) {
        event->ignore();
        return;
    }
    event->accept();
}

bool TfMain::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyRelease) {
        const auto* key = static_cast<QKeyEvent*>(event);
        auto* widget = qobject_cast<QWidget*>(watched);
        if (key->key() == Qt::Key_F1 && !key->isAutoRepeat() && widget && widget->window() == this) {
            OpenHelp();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}
