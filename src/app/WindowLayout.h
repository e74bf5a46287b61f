#pragma once

#include <string>

class QHeaderView;
class QSplitter;
class QWidget;

// The window layout kept in the configuration file: the window's outer bounds (MainForm), the
// width of the word pages and the height of the upper panel (Tabs), and the domain table's column
// widths (ListView). Sizes of 0 or less are not applied, so a fresh or damaged file leaves the
// design sizes. The outer bounds are fitted into the screen they lie on (a window larger than the
// screen shrinks, one partly off it moves in), and a frame the window manager adds after the
// first show is taken into account, so a restore gives back exactly what was saved.
struct TWindowLayout
{
    QWidget* Window = nullptr;
    QSplitter* Upper = nullptr; // pTop: word pages | domain table
    QSplitter* Outer = nullptr; // pTop over pBottom
    QHeaderView* Columns = nullptr;

    void Load(const std::string& iniPath) const;
    // Writes every key in order. A configuration file that cannot be written loses the layout only:
    // the caller (the close query) goes on.
    void Save(const std::string& iniPath) const;
};
