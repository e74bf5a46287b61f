#include "app/WindowLayout.h"

#include "base/QuarrowError.h"
#include "settings/ConfigKeys.h"
#include "settings/IniFile.h"

#include <QHeaderView>
#include <QList>
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
    Window->move(left, top);
    const int width = ini.Read(ConfigKeys::MainFormWidth);
    const int height = ini.Read(ConfigKeys::MainFormHeight);
    // The keys hold the outer bounds; resize() takes the client size.
    const QSize frameExtra = Window->frameGeometry().size() - Window->size();
    if (width > 0)
        Window->resize(std::max(1, width - frameExtra.width()), Window->height());
    if (height > 0)
        Window->resize(Window->width(), std::max(1, height - frameExtra.height()));
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
