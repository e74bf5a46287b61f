#pragma once

#include <QWidget>

class QLabel;
class QListWidget;

// The panel below the domain table: why the selected row holds its verdict, on a line of its own,
// above the row's answers entry shown line by line. It shows what it is given; the table model
// words the line (TDomainTableModel::WhyRole) and the main window picks the row.
class TAnswersPanel : public QWidget
{
    Q_OBJECT

public:
    explicit TAnswersPanel(QWidget* parent = nullptr);

    // An empty `why` hides the line; an empty `answers` shows no lines, not one blank one.
    void Show(const QString& why, const QString& answers);
    // The line alone, when the shown row's evidence changed.
    void SetWhy(const QString& why);
    void Clear();

    QLabel* WhyLine() const { return lbWhy; }
    QListWidget* Answers() const { return mAns; }

private:
    QLabel* lbWhy = nullptr;
    QListWidget* mAns = nullptr;
};
