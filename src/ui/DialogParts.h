#pragma once

#include <QString>

class QHBoxLayout;
class QLabel;
class QWidget;

// Pieces the dialogs share: a bold heading, an explanatory text beside an information icon, and a
// label that names its field (for the eye and for screen readers).
QLabel* Heading(const char* name, const QString& text, QWidget* parent);
QHBoxLayout* IconText(const char* name, const QString& text, QWidget* parent);
QLabel* BuddyLabel(const QString& caption, QWidget* buddy, QWidget* parent);
