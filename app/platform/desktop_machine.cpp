#include "platform/desktop_machine.h"

#include "platform/paths.h"
#include "platform/process_runner.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStorageInfo>

#include <utility>

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
    editorFailure_.clear();
    QStringList command = editorCommand();
    QString tried;
    if (!command.isEmpty()) {
        const QString program = command.takeFirst();
        if (QProcess::startDetached(program, command << path))
            return;
        tried = QStringLiteral("the editor %1 (from $VISUAL or $EDITOR) cannot be started; ")
                    .arg(program);
    }
    if (hooks_.openDocument && hooks_.openDocument(path))
        return;
    if (QProcess::startDetached(QStringLiteral("xdg-open"), {path}))
        return;
    editorFailure_ = QStringLiteral("No editor or viewer could be started for %1: %2the desktop "
                                    "has no program for it. Set VISUAL or EDITOR to an editor, "
                                    "or install a desktop text editor.")
                         .arg(path, tried);
}

QString DesktopMachine::takeEditorFailure() {
    return std::exchange(editorFailure_, QString());
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
