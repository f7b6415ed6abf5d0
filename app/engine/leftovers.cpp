#include "engine/leftovers.h"

#include "engine/zip_component.h"
#include "platform/folder_lock.h"

#include <QRegularExpression>

QStringList removeAbandonedLeftovers(const QString& zipDir) {
    static const QRegularExpression par2Folder(
        QStringLiteral("^%1[A-Za-z0-9]{6}$").arg(QRegularExpression::escape(kPar2FolderPrefix)));
    return ZipComponent::removeStaleTemporaries(zipDir) +
           removeAbandonedFolders(zipDir, par2Folder);
}
