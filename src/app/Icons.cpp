#include "app/Icons.h"

#include <QHash>

QIcon ToolbarIcon(const QString& name)
{
    static const QHash<QString, QString> themeNames = {
        {QStringLiteral("new"), QStringLiteral("document-new")},
        {QStringLiteral("open"), QStringLiteral("document-open")},
        {QStringLiteral("save"), QStringLiteral("document-save")},
        {QStringLiteral("generate"), QStringLiteral("system-run")},
        {QStringLiteral("check"), QStringLiteral("media-playback-start")},
        {QStringLiteral("recheck"), QStringLiteral("view-refresh")},
        {QStringLiteral("stop"), QStringLiteral("process-stop")},
        {QStringLiteral("settings"), QStringLiteral("preferences-system")},
    };
    const QIcon own(QStringLiteral(":/icons/%1.svg").arg(name));
    return QIcon::fromTheme(themeNames.value(name), own);
}
