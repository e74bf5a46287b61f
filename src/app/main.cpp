#include "app/MainWindow.h"
#include "app/ProgramOptions.h"
#include "config/Folders.h"
#include "config/ShippedData.h"

#include <QApplication>
#include <QStatusBar>
#include <QString>

int main(int argc, char* argv[])
{
    if (const std::optional<int> answered = AnswerInfoOptions({argv + 1, argv + argc}, QUARROW_VERSION, stdout))
        return *answered;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quarrow\u2122"));
    // The data and projects folders exist from the first start on, so that the first write of
    // the configuration file and the first open dialog find them.
    const TFolders folders = PrepareFolders();
    const TDataFolderStatus data = TShippedData(folders.ProgramFolder).InstallDefaults(folders.DataFolder);
    TfMain mainWindow;
    mainWindow.show();
    mainWindow.statusBar()->showMessage(QString::fromStdString(data.Message));
    return QApplication::exec();
}
