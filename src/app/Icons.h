#pragma once

#include <QIcon>
#include <QString>

// A toolbar icon by our own name (new, open, save, generate, check, stop, settings): the desktop
// theme's icon for the same purpose when the theme has one, else our own artwork.
QIcon ToolbarIcon(const QString& name);
