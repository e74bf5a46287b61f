// Shows each dialog with sample data and saves a PNG of it, for the README. Run under a real X
// server (scripts/dialog-screenshots uses xvfb-run):
//
//   ui_dialog_screenshots OUTPUT_FOLDER PROGRAM_FILE
#include "gui/AboutBox.h"
#include "gui/ServerPropertiesDialog.h"
#include "gui/SettingsDialog.h"
#include "support/FakeWhoisServer.h"
#include "support/RecordingDesktop.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <cstdio>
#include <fstream>

namespace {

void Save(QWidget& window, const QString& file)
{
    window.show();
    window.raise();
    window.activateWindow();
    QTest::qWait(300); // let the window manager-less X server map and paint it
    if (!window.grab().save(file))
        std::fprintf(stderr, "cannot save %s\n", qPrintable(file));
    else
        std::printf("%s\n", qPrintable(file));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER PROGRAM_FILE\n", argv[0]);
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    const std::string config = QDir(out).filePath(QStringLiteral("sample-mvwhois.ini")).toStdString();
    {
        std::ofstream file(config, std::ios::trunc);
        file << "[TLD]\ncom=whois.verisign-grs.com\nnet=whois.verisign-grs.com\norg=whois.pir.org\n"
                "de=whois.denic.de\nuk=whois.nic.uk\n[Proxy]\nUseProxy=1\nSOCKS=0\nServer=127.0.0.1\n"
                "Port=1080\nUser=alice\nPassword=secret\n[Pref]\nThrdCount=30\nPause=1500\n";
    }
    TRecordingDesktop desktop;

    for (int page = 0; page < 3; ++page) {
        TfSett settings(config, desktop);
        settings.SelectPage(static_cast<TfSett::TPage>(page));
        const char* names[] = {"settings-servers.png", "settings-connection.png", "settings-additional.png"};
        Save(settings, QDir(out).filePath(QLatin1String(names[page])));
    }

    TFakeWhoisServer host;
    host.SetAnswer("example.com", "Domain Name: EXAMPLE.COM\r\nRegistrar WHOIS Server: whois.example.net\r\n"
                                  "Registrar: Example Registrar, Inc.\r\nRegistry Expiry Date: 2030-08-13\r\n"
                                  ">>> Last update of whois database: 2009-06-01 <<<\r\n");
    {
        std::ofstream file(config, std::ios::trunc); // the test query goes straight to the loopback host
        file << "[" << host.Address()
             << "]\nnot_found_strings=No match for \"%DOMAIN%\".\nregistrar_string=Registrar:\n"
                "whois_server_string=Registrar WHOIS Server:\nexpires_string=Registry Expiry Date:\n"
                "limit_strings=limit exceeded|try again later\nmin_interval=1000\n";
    }
    TfSP properties(config, desktop);
    properties.LoadServer(host.Address());
    properties.TestConnection().Port = host.Port();
    properties.findChild<QToolButton*>(QStringLiteral("SpeedButton1"))->click();
    properties.TestDomain()->setText(QStringLiteral("example.com"));
    properties.SpeedButton2Click();
    if (!QTest::qWaitFor([&] { return !properties.QueryRunning(); }, 5000))
        std::fprintf(stderr, "the test query did not end\n");
    Save(properties, QDir(out).filePath(QStringLiteral("server-properties.png")));

    TfAbout about(argv[2], desktop);
    Save(about, QDir(out).filePath(QStringLiteral("about.png")));
    QFile::remove(QString::fromStdString(config));
    return 0;
}
