#pragma once

#include "settings/SettingsPages.h"

#include <QDialog>

#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QMenu;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTableView;
class QTimer;
class QToolButton;
class TDesktop;
class TProxyPoolEditor;
class TShownRowsModel;
class TTldListModel;

// "Options": the WHOIS host table, the proxy and the preferences. Values are read from the
// configuration file when the dialog is created and written back, all at once, on OK; only Delete
// in the host table writes at once. The opener reloads its settings after the dialog closes,
// whatever the result.
class TfSett : public QDialog
{
    Q_OBJECT

public:
    enum TPage
    {
        PageWhoisServers = 0,
        PageConnection = 1,
        PageAdditional = 2
    };

    TfSett(std::string configPath, TDesktop& desktop, QWidget* parent = nullptr);

    // The page shown first; without a call the "Whois servers" page shows.
    void SelectPage(TPage page);
    // What the controls hold now, as OK would save it.
    TSettingsPages Pages() const;

    // OK: one replacement of the file with every key; on failure the message is shown and the
    // dialog stays open.
    void bOkClick();
    void sbTLDClick();
    void tEDTimer();
    void miDeleteClick();
    void miPropertiesClick();
    void bHelpClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* CreateServersPage();
    QWidget* CreateConnectionPage();
    QWidget* CreatePreferencesPage();
    void LoadPages(const TSettingsPages& pages);
    int SelectedRow() const;
    void pmWhoisPopup(const QPoint& position);

    std::string ConfigPath;
    TDesktop& Desktop;

    QTabWidget* PageControl = nullptr;
    QLineEdit* eTLD = nullptr;
    QLineEdit* eWS = nullptr;
    QToolButton* sbTLD = nullptr;
    QTableView* lvTLD = nullptr;
    TTldListModel* Servers = nullptr;
    QLineEdit* eFilter = nullptr;
    TShownRowsModel* ShownServers = nullptr;
    QMenu* pmWhois = nullptr;
    QAction* miDelete = nullptr;
    QAction* miProperties = nullptr;
    QTimer* tED = nullptr;

    QCheckBox* cbUseProxy = nullptr;
    QComboBox* cbSOCKS = nullptr;
    QLineEdit* eServer = nullptr;
    QLineEdit* ePort = nullptr;
    QLineEdit* eUser = nullptr;
    QLineEdit* ePassword = nullptr;
    QCheckBox* cbShowPassword = nullptr;
    TProxyPoolEditor* ProxyPool = nullptr;
    QPushButton* bOk = nullptr;

    QCheckBox* cbUseHyp = nullptr;
    QCheckBox* cbUpdate = nullptr;
    QCheckBox* cbWordsUpd = nullptr;
    QSpinBox* eThrdCount = nullptr;
    QSpinBox* eAttempts = nullptr;
    QSpinBox* ePause = nullptr;
    QCheckBox* cbDnsFirst = nullptr;
    QLineEdit* eDnsServer = nullptr;
};
