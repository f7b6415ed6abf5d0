#include "shell/startup.h"

#include "companion/diz_numbering.h"
#include "companion/nfo_copy.h"
#include "platform/paths.h"

#include <QDir>


ScriptArgument parseScriptArgument(const QString& argument) {
    ScriptArgument result;
    QString path = argument.trimmed();
    if (path.startsWith(QLatin1Char('!'))) {
        result.flags.BatchRun = true;
        path.remove(0, 1);
    } else if (path.startsWith(QLatin1Char('$'))) {
        result.flags.DateStampRun = true;
        path.remove(0, 1);
    }
    path = path.trimmed();
    if (path.size() >= 2 && path.startsWith(QLatin1Char('"')) && path.endsWith(QLatin1Char('"')))
        path = path.mid(1, path.size() - 2);
    result.scriptPath = path;
    return result;
}

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

QStringList runLeftoverFiles(const QString& nfoFile) {
    QStringList files;
    files << AppPaths::scratchFile(QStringLiteral("skip.txt"));
    const QString nfoName = nfoCopyName(nfoFile);
    const QString nfoCopy = nfoName.isEmpty() ? QString() : nfoCopyPath(nfoFile);
    if (!nfoCopy.isEmpty() && nfoName.compare(QLatin1String("Kavel32.ini"), Qt::CaseInsensitive) != 0)
        files << nfoCopy;
    files << dizWorkingCopyPath();
    files << AppPaths::scratchFile(QStringLiteral("size.txt"));
    return files;
}
