#pragma once

#include <QDialog>

#include <string>

class QLabel;
class QPushButton;
class TDesktop;
class TUrlLabel;

// The About box: a white, frameless box with the product picture, the version stamped into the
// program file, the web site and support address as links, and the legal notice. Escape, a click
// on any static part, a release of a mouse button on the background or OK (the default button, so
// also Enter and Space) closes it; the links open their address on a click or on Alt+W and Alt+E
// and leave it open.
class TfAbout : public QDialog
{
    Q_OBJECT

public:
    // `programFile`: the program file whose version stamp the box shows.
    TfAbout(const std::string& programFile, TDesktop& desktop, QWidget* parent = nullptr);

    QLabel* VersionLabel() const { return lVersion; }
    TUrlLabel* SiteLink() const { return UrlLabel1; }
    TUrlLabel* MailLink() const { return UrlLabel2; }
    QPushButton* OkButton() const { return bOk; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QLabel* lVersion = nullptr;
    TUrlLabel* UrlLabel1 = nullptr;
    TUrlLabel* UrlLabel2 = nullptr;
    QPushButton* bOk = nullptr;
};
