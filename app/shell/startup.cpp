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
