#include "app/FilterCommands.h"

#include "app/MainActions.h"
#include "base/QuarrowError.h"
#include "models/DomainSortProxy.h"
#include "settings/ConfigKeys.h"
#include "settings/IniFile.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QSignalBlocker>

TFilterCommands::TFilterCommands(TDomainSortProxy& proxy, TMainActions& actions, QComboBox* box, QLabel* shownText,
                                 std::string configPath, QObject* parent)
    : QObject(parent), Proxy(proxy), Actions(actions), Box(box), ShownText(shownText), ConfigPath(std::move(configPath))
{
    for (int i = 0; i < DomainFilterCount; ++i) {
        const auto filter = static_cast<TDomainFilter>(i);
        Box->addItem(QLatin1String(FilterCaption(filter)));
        connect(Actions.aShow[static_cast<std::size_t>(i)], &QAction::triggered, this,
                [this, filter] { SetFilter(filter); });
    }
    connect(Box, &QComboBox::activated, this, [this](int index) {
        if (index >= 0 && index < DomainFilterCount)
            SetFilter(static_cast<TDomainFilter>(index));
    });
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(&Proxy, signal, this, &TFilterCommands::UpdateShownText);
    connect(&Proxy, &QAbstractItemModel::modelReset, this, &TFilterCommands::UpdateShownText);
    connect(&Proxy, &QAbstractItemModel::layoutChanged, this, &TFilterCommands::UpdateShownText);
    Follow();
}

void TFilterCommands::Load()
{
    Proxy.SetFilter(FilterFromKeyText(TIniFile(ConfigPath).Read(ConfigKeys::DomainFilter)));
    Follow();
}

void TFilterCommands::SetFilter(TDomainFilter filter)
{
    Proxy.SetFilter(filter);
    Follow();
    try {
        TIniFile(ConfigPath).Write(ConfigKeys::DomainFilter, std::string(FilterKeyText(filter)));
    } catch (const TQuarrowError&) {
        // The table shows what was asked; only the next start will not remember it.
    }
}

void TFilterCommands::Follow()
{
    const int index = static_cast<int>(Proxy.Filter());
    Actions.aShow[static_cast<std::size_t>(index)]->setChecked(true);
    const QSignalBlocker blocker(Box);
    Box->setCurrentIndex(index);
    UpdateShownText();
}

void TFilterCommands::UpdateShownText()
{
    ShownText->setText(QString::fromStdString(Proxy.ShownText()));
}
