#pragma once
// The per-user component registry: a small file of keys and named values that stands in for
// the system registry's class, ProgID, type library and category entries, in UTF-8 (files
// from before hold Latin-1 and still read). The environment variable ZQMARQ_REGISTRY names
// the file to use instead (tests, the build tree).

#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

namespace zqmarq {

inline constexpr const char* kRegistryEnvVar = "ZQMARQ_REGISTRY";
// Name of the registry file that sits beside a program (the build tree registers there).
inline constexpr const char* kProgramRegistryName = "zqmarq-components.reg";

class ComponentRegistry {
  public:
    // Where registration writes: $ZQMARQ_REGISTRY, else the per-user file.
    static QString writablePath();
    // Where lookups search, in order: $ZQMARQ_REGISTRY alone when set; else the per-user
    // file, then the one in the running program's folder, then the one an installed tree
    // ships beside its library (lib/zqmarq/components.reg seen from the program's bin/).
    static QStringList lookupPaths();

    // A missing file is an empty registry; an unreadable or malformed one is an error.
    bool load(const QString& path, QString* error);
    // Reads a registry file's bytes (path names it in messages). Malformed text is refused,
    // leaving the registry empty.
    bool parse(const QByteArray& data, const QString& path, QString* error);
    // The file's bytes as save writes them.
    QByteArray serialize() const;
    // Writes atomically (a half-written registry never replaces a good one).
    bool save(const QString& path, QString* error) const;

    // name "" is the key's default value. Line breaks in values are not stored.
    void setValue(const QString& key, const QString& name, const QString& value);
    std::optional<QString> value(const QString& key, const QString& name = QString()) const;
    bool hasKey(const QString& key) const;
    // Removes the key with all keys below it.
    void removeKey(const QString& key);
    void removeValue(const QString& key, const QString& name);
    QStringList keys() const;

  private:
    struct Key {
        QString name;
        QMap<QString, QString> values; // lower-case name -> value
        QMap<QString, QString> names;  // lower-case name -> name as written
    };
    QMap<QString, Key> m_keys; // lower-case key -> key
};

// Why a file path cannot be stored as a registry value so that it names the same file when
// read back (a line break, bytes that are not valid UTF-8); nothing when it can.
std::optional<QString> unstorablePathReason(const QString& path);

struct ResolvedClass {
    QString clsid;   // braced, upper case
    QString library; // path of the in-process server
    QString registryFile;
};

// Finds a class by its braced class id or its ProgID in the lookup paths; a relative library
// path in a registry is taken from that registry's folder. On failure returns nothing and
// *error says why (not registered, registry unreadable).
std::optional<ResolvedClass> resolveClass(const QString& clsidOrProgId, QString* error);

} // namespace zqmarq
