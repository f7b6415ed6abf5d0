#include "shell/startup.h"

#include "platform/paths.h"

#include <QDir>

QString scriptWindowTitle(const QString& scriptPath) {
    return QStringLiteral("Kavel32 - ") + fileNamePart(scriptPath);
}

bool isRootFolder(const QString& folder) {
    if (folder.isEmpty())
        return false;
    if (endsWithSeparator(folder))
        return true;
    // "C:" alone is the current folder of that drive, not its root; a host path is a root
    // when it has no parent.
    return pathStyle() == PathStyle::Host && QDir(folder).isRoot();
}

QString rootFolderMessage() {
    return QStringLiteral("Kavel32 can not be run from\r\na root directory, please reinstall.");
}

QString pageTitleFor(Page page) {
    switch (page) {
    case Page::Source:
        return QStringLiteral("Source");
    case Page::Skip:
        return QStringLiteral("Skip");
    case Page::Diz:
        return QStringLiteral("Diz");
    case Page::Nfo:
        return QStringLiteral("Nfo");
    case Page::Zip:
        return QStringLiteral("Zip");
    case Page::Progress:
        return QStringLiteral("Kavel!");
    case Page::About:
        return QStringLiteral("About");
    }
    return {};
}

int qtOptionArguments(int argc, const char* const* argv, int i) {
    if (i < 0 || i >= argc || !argv[i])
        return 0;
    static const QStringList withValue{
        QStringLiteral("platform"),        QStringLiteral("platformpluginpath"),
        QStringLiteral("platformtheme"),   QStringLiteral("plugin"),
        QStringLiteral("qwindowgeometry"), QStringLiteral("qwindowicon"),
        QStringLiteral("qwindowtitle"),    QStringLiteral("session"),
        QStringLiteral("style"),           QStringLiteral("stylesheet"),
        QStringLiteral("display"),         QStringLiteral("geometry"),
        QStringLiteral("title"),           QStringLiteral("name")};
    static const QStringList alone{QStringLiteral("reverse"), QStringLiteral("widgetcount"),
                                   QStringLiteral("nograb"),  QStringLiteral("dograb"),
                                   QStringLiteral("sync"),    QStringLiteral("testability")};
    QString arg = QString::fromLocal8Bit(argv[i]);
    if (!arg.startsWith(QLatin1Char('-')))
        return 0;
    // Qt takes "-style" and "--style" alike.
    arg.remove(0, arg.startsWith(QLatin1String("--")) ? 2 : 1);
    if (arg.startsWith(QLatin1String("qmljsdebugger=")))
        return 1;
    const QString name = arg.section(QLatin1Char('='), 0, 0);
    if (alone.contains(name) && !arg.contains(QLatin1Char('=')))
        return 1;
    if (!withValue.contains(name))
        return 0;
    if (arg.contains(QLatin1Char('=')))
        return 1;
    return i + 1 < argc ? 2 : 1;
}
