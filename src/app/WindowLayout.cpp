#include "app/WindowLayout.h"

#include "app/FramePlacement.h"
#include "base/QuarrowError.h"
#include "settings/ConfigKeys.h"
#include "settings/IniFile.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QList>
#include <QScreen>
#include <QSplitter>
#include <QWidget>

#include <algorithm>

namespace {

std::string ColumnKey(int column)
{
    return std::string(ConfigKeys::ColumnWidthPrefix) + std::to_string(column);
}

// The first pane of a two-pane splitter gets `size`, the second the rest.
void SetFirstPane(QSplitter* splitter, int size)
{
    const int total = splitter->orientation() == Qt::Horizontal ? splitter->width() : splitter->height();
    const int rest = std::max(1, total - splitter->handleWidth() - size);
    splitter->setSizes({size, rest});
}

} // namespace

void TWindowLayout::Load(const std::string& iniPath) const
{
    const TIniFile ini(iniPath);
    const int top = ini.Read(ConfigKeys::MainFormTop);
    const int left = ini.Read(ConfigKeys::MainFormLeft);
    const int width = ini.Read(ConfigKeys::MainFormWidth);
    const int height = ini.Read(ConfigKeys::MainFormHeight);
    const QSize current = Window->frameGeometry().size();
    const QRect saved(left, top, width > 0 ? width : current.width(), height > 0 ? height : current.height());
    // A layout saved on a larger screen (or a screen since removed) must still open where the
    // person can reach the frame and every edge.
    const QScreen* screen = QGuiApplication::screenAt(saved.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect outer = screen ? TFramePlacement::FitInto(saved, screen->availableGeometry()) : saved;
    delete Window->findChild<TFramePlacement*>(QString(), Qt::FindDirectChildrenOnly);
    new TFramePlacement(*Window, outer);
    const int leftPanel = ini.Read(ConfigKeys::LeftPanelWidth);
    if (leftPanel > 0)
        SetFirstPane(Upper, leftPanel);
    const int topPanel = ini.Read(ConfigKeys::TopPanelHeight);
    if (topPanel > 0)
        SetFirstPane(Outer, topPanel);
    for (int column = 0; column < ConfigKeys::ColumnCount; ++column) {
        const int columnWidth = ini.ReadInteger(std::string(ConfigKeys::ListViewSection), ColumnKey(column),
                                                ConfigKeys::ColumnWidthDefault);
        if (columnWidth > 0)
            Columns->resizeSection(column, columnWidth);
    }
}

void TWindowLayout::Save(const std::string& iniPath) const
{
    const TIniFile ini(iniPath);
    const QRect outer = Window->frameGeometry();
    try {
        ini.Write(ConfigKeys::MainFormTop, outer.top());
        ini.Write(ConfigKeys::MainFormLeft, outer.left());
        ini.Write(ConfigKeys::MainFormWidth, outer.width());
        ini.Write(ConfigKeys::MainFormHeight, outer.height());
        ini.Write(ConfigKeys::LeftPanelWidth, Upper->widget(0)->width());
        ini.Write(ConfigKeys::TopPanelHeight, Outer->widget(0)->height());
        for (int column = 0; column < ConfigKeys::ColumnCount; ++column)
            ini.WriteInteger(std::string(ConfigKeys::ListViewSection), ColumnKey(column), Columns->sectionSize(column));
    } catch (const TQuarrowError&) {
        // Only the layout is lost; the program must still close.
    }
}
