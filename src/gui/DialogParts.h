#pragma once

#include <QString>
#include <QWidget>

class QDialog;
class QHBoxLayout;
class QLabel;
class QPushButton;

// Pieces the dialogs share: a bold heading, an explanatory text beside an information icon, and a
// label that names its field (for the eye and for screen readers).
QLabel* Heading(const char* name, const QString& text, QWidget* parent);
QHBoxLayout* IconText(const char* name, const QString& text, QWidget* parent);
QLabel* BuddyLabel(const QString& caption, QWidget* buddy, QWidget* parent);

// A new control of the given kind, named so that tests and scripts find it.
template <typename TControl> TControl* Named(const char* name, QWidget* parent)
{
    auto* control = new TControl(parent);
    control->setObjectName(QLatin1String(name));
    return control;
}

// The dialogs' "Ok", "Cancel" and "Help" buttons (bOk, bCancel, bHelp), appended to `row`; Cancel
// rejects the dialog, Ok is the default button.
struct TDialogButtons
{
    QPushButton* Ok;
    QPushButton* Cancel;
    QPushButton* Help;
};
TDialogButtons AddDialogButtons(QDialog* dialog, QHBoxLayout* row);
