#include "component_registry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace zqmarq {

namespace {
constexpr const char* kHeader = "ZQMARQ component registry 1";

QString clean(QString value) {
    value.replace(QLatin1Char('\r'), QLatin1Char(' '));
    value.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return value;
}

// The file is UTF-8. Files written before that held Latin-1: a line that is not valid UTF-8
// is one of those and reads as Latin-1.
QString decodeLine(const QByteArray& line) {
    return line.isValidUtf8() ? QString::fromUtf8(line) : QString::fromLatin1(line);
}
} // namespace

std::optional<QString> unstorablePathReason(const QString& path) {
    if (path.isEmpty())
        return QStringLiteral("the path is empty");
    if (path.contains(QLatin1Char('\r')) || path.contains(QLatin1Char('\n')))
        return QStringLiteral("the path holds a line break");
    // A file name that is not valid in the file name encoding decodes with replacement
    // characters: stored, it would name another file.
    if (path.contains(QChar::ReplacementCharacter) ||
        QFile::decodeName(QFile::encodeName(path)) != path)
        return QStringLiteral("the path is not valid in the file name encoding (UTF-8)");
    return std::nullopt;
}

QString ComponentRegistry::writablePath() {
    const QByteArray env = qgetenv(kRegistryEnvVar);
    if (!env.isEmpty())
        return QString::fromLocal8Bit(env);
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/zqmarq/components.reg");
}

QStringList ComponentRegistry::lookupPaths() {
    const QByteArray env = qgetenv(kRegistryEnvVar);
    if (!env.isEmpty())
        return {QString::fromLocal8Bit(env)};
    QStringList paths{writablePath()};
    if (QCoreApplication::instance()) {
        const QString programDir = QCoreApplication::applicationDirPath();
        paths << programDir + QLatin1Char('/') + QLatin1String(kProgramRegistryName);
        // An installed tree's registry, shipped beside the installed library.
        paths << QDir::cleanPath(programDir + QLatin1Char('/') +
                                 QLatin1String(ZQMARQ_REGISTRY_FROM_BIN));
    }
    return paths;
}

bool ComponentRegistry::load(const QString& path, QString* error) {
    m_keys.clear();
    QFile file(path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("Cannot read the component registry %1: %2")
                         .arg(path, file.errorString());
        return false;
    }
    return parse(file.readAll(), path, error);
}

bool ComponentRegistry::parse(const QByteArray& data, const QString& path, QString* error) {
    m_keys.clear();
    // Lines end at CR LF or a lone CR (or LF).
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= data.size(); ++i) {
        if (i == data.size() || data[i] == '\r' || data[i] == '\n') {
            lines << data.mid(start, i - start);
            if (i + 1 < data.size() && data[i] == '\r' && data[i + 1] == '\n')
                ++i;
            start = i + 1;
        }
    }
    auto bad = [&](int line, const QString& what) {
        if (error)
            *error = QStringLiteral("The component registry %1 is malformed at line %2: %3")
                         .arg(path)
                         .arg(line)
                         .arg(what);
        m_keys.clear();
        return false;
    };
    if (lines.isEmpty() || lines.first() != kHeader)
        return bad(1, QStringLiteral("it does not start with \"%1\"").arg(QLatin1String(kHeader)));
    QString current;
    for (int n = 1; n < lines.size(); ++n) {
        const QString line = decodeLine(lines[n]);
        if (line.isEmpty())
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            if (!line.endsWith(QLatin1Char(']')) || line.size() < 3)
                return bad(n + 1, QStringLiteral("a key line must be [key]"));
            current = line.mid(1, line.size() - 2);
            Key& k = m_keys[current.toLower()];
            k.name = current;
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 1 || current.isEmpty())
            return bad(n + 1, QStringLiteral("a value line must be name=value below a key"));
        QString name = line.left(eq);
        if (name == QLatin1String("@"))
            name.clear();
        setValue(current, name, line.mid(eq + 1));
    }
    return true;
}

bool ComponentRegistry::save(const QString& path, QString* error) const {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("Cannot write the component registry %1: %2")
                         .arg(path, file.errorString());
        return false;
    }
    const QByteArray out = serialize();
    if (file.write(out) != out.size() || !file.commit()) {
        if (error)
            *error = QStringLiteral("Cannot write the component registry %1: %2")
                         .arg(path, file.errorString());
        return false;
    }
    return true;
}

QByteArray ComponentRegistry::serialize() const {
    QByteArray out = QByteArray(kHeader) + "\r\n";
    for (const Key& k : m_keys) {
        out += "[" + k.name.toUtf8() + "]\r\n";
        for (auto it = k.values.cbegin(); it != k.values.cend(); ++it) {
            const QString name = k.names.value(it.key());
            out += (name.isEmpty() ? QByteArray("@") : name.toUtf8()) + "=" + it.value().toUtf8() +
                   "\r\n";
        }
    }
    return out;
}

void ComponentRegistry::setValue(const QString& key, const QString& name, const QString& value) {
    Key& k = m_keys[key.toLower()];
    if (k.name.isEmpty())
        k.name = key;
    k.values.insert(name.toLower(), clean(value));
    k.names.insert(name.toLower(), clean(name));
}

std::optional<QString> ComponentRegistry::value(const QString& key, const QString& name) const {
    const auto k = m_keys.constFind(key.toLower());
    if (k == m_keys.cend())
        return std::nullopt;
    const auto v = k->values.constFind(name.toLower());
    if (v == k->values.cend())
        return std::nullopt;
    return *v;
}

bool ComponentRegistry::hasKey(const QString& key) const {
    return m_keys.contains(key.toLower());
}

void ComponentRegistry::removeKey(const QString& key) {
    const QString lower = key.toLower();
    const QString prefix = lower + QLatin1Char('\\');
    for (auto it = m_keys.begin(); it != m_keys.end();) {
        if (it.key() == lower || it.key().startsWith(prefix))
            it = m_keys.erase(it);
        else
            ++it;
    }
}

void ComponentRegistry::removeValue(const QString& key, const QString& name) {
    const auto k = m_keys.find(key.toLower());
    if (k == m_keys.end())
        return;
    k->values.remove(name.toLower());
    k->names.remove(name.toLower());
}

QStringList ComponentRegistry::keys() const {
    QStringList out;
    for (const Key& k : m_keys)
        out << k.name;
    return out;
}

std::optional<ResolvedClass> resolveClass(const QString& clsidOrProgId, QString* error) {
    const QString wanted = clsidOrProgId.trimmed();
    const bool byClsid = wanted.startsWith(QLatin1Char('{'));
    QStringList problems;
    // An entry whose library is gone (a removed build tree) must not hide a later registry
    // that names a library still there; it is the answer only when nothing else is found.
    std::optional<ResolvedClass> gone;
    for (const QString& path : ComponentRegistry::lookupPaths()) {
        ComponentRegistry reg;
        QString loadError;
        if (!reg.load(path, &loadError)) {
            problems << loadError;
            continue;
        }
        QString clsid = wanted;
        if (!byClsid) {
            const auto viaProgId = reg.value(wanted + QStringLiteral("\\CLSID"));
            if (!viaProgId)
                continue;
            clsid = *viaProgId;
        }
        const auto library = reg.value(QStringLiteral("CLSID\\%1\\InprocServer32").arg(clsid));
        if (!library || library->isEmpty())
            continue;
        // A relative library path is relative to the registry's own folder, so a registry
        // shipped beside its library holds wherever the two are installed.
        const QString libraryPath = QDir::isRelativePath(*library)
                                        ? QFileInfo(path).absoluteDir().filePath(*library)
                                        : *library;
        const ResolvedClass resolved{clsid.toUpper(), libraryPath, path};
        if (QFileInfo::exists(libraryPath))
            return resolved;
        if (!gone)
            gone = resolved;
    }
    if (gone)
        return gone;
    if (error) {
        *error = QStringLiteral("The class %1 is not registered").arg(wanted);
        if (!problems.isEmpty())
            *error +=
                QStringLiteral(" (") + problems.join(QStringLiteral("; ")) + QStringLiteral(")");
    }
    return std::nullopt;
}

} // namespace zqmarq
