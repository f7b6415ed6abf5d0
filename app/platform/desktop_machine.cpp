#include "platform/desktop_machine.h"

#include "platform/paths.h"
#include "platform/process_runner.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStorageInfo>

QString soundFilePath(const QString& name) {
    QString bare = name;
    while (!bare.isEmpty() &&
           (bare.front() == QLatin1Char('\\') || bare.front() == QLatin1Char('/')))
        bare.remove(0, 1);
    if (bare.isEmpty() || bare.contains(QLatin1Char('/')) || bare.contains(QLatin1Char('\\')) ||
        bare == QLatin1String("..") || bare == QLatin1String("."))
        return {};
    const QString resources = AppPaths::resourceFolder();
    for (const QString& dir : {resources + QStringLiteral("/sounds"), resources}) {
        const QFileInfo file(dir + QLatin1Char('/') + bare);
        if (file.isFile())
            return file.absoluteFilePath();
    }
    return {};
}

QStringList editorCommand() {
    for (const char* variable : {"VISUAL", "EDITOR"}) {
        const QString value = qEnvironmentVariable(variable).trimmed();
        if (!value.isEmpty())
            return QProcess::splitCommand(value);
    }
    return {};
}

int DesktopMachine::run(const Command& command) {
    return runCommand(command, hooks_.whileWaiting);
}

int DesktopMachine::runWithProgress(const Command& command,
                                    const std::function<void(int)>& onPercent) {
    return runCommand(command, hooks_.whileWaiting, onPercent);
}

QDate DesktopMachine::today() const {
    return QDate::currentDate();
}

void DesktopMachine::playSound(const QString& name, bool wait) {
    const QString file = soundFilePath(name);
    if (file.isEmpty() || !hooks_.playSound)
        return;
    hooks_.playSound(file, wait);
}

void DesktopMachine::openEditor(const QString& path) {
    QStringList command = editorCommand();
    if (!command.isEmpty()) {
        const QString program = command.takeFirst();
        if (QProcess::startDetached(program, command << path))
            return;
    }
    if (hooks_.openDocument && hooks_.openDocument(path))
        return;
    QProcess::startDetached(QStringLiteral("xdg-open"), {path});
}

std::optional<int64_t> DesktopMachine::freeBytes(const QString& path) const {
    // A folder that does not exist yet lives on the volume of its nearest existing parent.
    QString probe = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    while (!probe.isEmpty() && !QFileInfo::exists(probe)) {
        const QString parent = QFileInfo(probe).path();
        if (parent == probe)
            break;
        probe = parent;
    }
    const QStorageInfo storage(probe);
    if (!storage.isValid() || !storage.isReady())
        return std::nullopt;
    return static_cast<int64_t>(storage.bytesAvailable());
}
