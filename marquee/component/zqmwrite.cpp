// zqmwrite: writes the stored form of a marquee design from property settings, or prints
// what a stored design holds.
//   zqmwrite <out.zqm> Name=Value ...    (starts from the defaults)
//   zqmwrite --dump <file.zqm>
// Values: numbers in decimal or 0x hex; fonts "Face;weight;points[;italic]"; pictures
// "@file" (its bytes), "empty" (an empty picture) or "none"; ExtentX/ExtentY in HIMETRIC.
#include "persist.h"
#include "property_table.h"
#include "stored_text.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QStringList>
#include <QTextStream>

using namespace zqmarq;

namespace {

QTextStream& err() {
    static QTextStream s(stderr);
    return s;
}

bool parseNumber(const QString& text, qlonglong& out) {
    bool ok = false;
    out = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)
              ? text.mid(2).toLongLong(&ok, 16)
              : text.toLongLong(&ok, 10);
    return ok;
}

// Text as the design stores it; a character it cannot hold is reported, never replaced.
std::optional<std::string> storableText(const QString& text) {
    QString reason;
    if (!fitsStoredForm(text, &reason)) {
        err() << "zqmwrite: " << reason << "\n";
        return std::nullopt;
    }
    return modelText(text);
}

bool parseValue(const PropertyInfo& info, const QString& text, Variant& out) {
    qlonglong n = 0;
    switch (info.type) {
    case PropType::Int16:
    case PropType::Int32:
        if (!parseNumber(text, n))
            return false;
        out = Variant(std::int32_t(n));
        return true;
    case PropType::Color:
        if (!parseNumber(text, n))
            return false;
        out = Variant::color(static_cast<OleColor>(n));
        return true;
    case PropType::Bool:
        out = Variant(text == QLatin1String("1") ||
                      text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0);
        return true;
    case PropType::String: {
        const auto stored = storableText(text);
        if (stored)
            out = Variant(*stored);
        return stored.has_value();
    }
    case PropType::Font: {
        const QStringList parts = text.split(QLatin1Char(';'));
        QString reason;
        const auto face = storedText(parts[0], &reason); // face names are stored as they are
        if (parts.size() < 3 || !face)
            return false;
        FontDesc f;
        f.faceName = *face;
        bool ok1 = false, ok2 = false;
        f.weight = static_cast<std::int16_t>(parts[1].toInt(&ok1));
        f.size = static_cast<std::int64_t>(parts[2].toDouble(&ok2) * 10000.0 + 0.5);
        f.italic = parts.size() > 3 && parts[3] == QLatin1String("italic");
        out = Variant::font(f);
        return ok1 && ok2;
    }
    case PropType::Picture: {
        PictureData p;
        if (text == QLatin1String("none")) {
            out = Variant();
            return true;
        }
        if (text != QLatin1String("empty")) {
            if (!text.startsWith(QLatin1Char('@')))
                return false;
            QFile file(text.mid(1));
            if (!file.open(QIODevice::ReadOnly)) {
                err() << "zqmwrite: cannot read " << file.fileName() << "\n";
                return false;
            }
            const QByteArray bytes = file.readAll();
            p.bytes.assign(bytes.begin(), bytes.end());
            p.format = PictureFormat::Other;
        }
        out = Variant::picture(p);
        return true;
    }
    default:
        return false;
    }
}

QString describe(const Variant& v) {
    if (FontRef f = v.asFont())
        return QStringLiteral("%1;%2;%3%4")
            .arg(QString::fromLatin1(f->faceName.c_str()))
            .arg(f->weight)
            .arg(f->points())
            .arg(f->italic ? QStringLiteral(";italic") : QString());
    if (PictureRef p = v.asPicture())
        return QStringLiteral("picture of %1 bytes").arg(p->bytes.size());
    if (const ColorValue* c = v.asColor())
        return QStringLiteral("0x%1").arg(c->value, 8, 16, QLatin1Char('0'));
    std::string s;
    if (!v.isEmpty() && succeeded(v.toString(s)))
        return QString::fromUtf8(s.c_str());
    return QStringLiteral("(none)");
}

int dump(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        err() << "zqmwrite: cannot read " << path << ": " << file.errorString() << "\n";
        return 1;
    }
    const QByteArray data = file.readAll();
    MarqueeModel m;
    std::string error;
    if (!loadFromStream(reinterpret_cast<const std::uint8_t*>(data.constData()),
                        static_cast<std::size_t>(data.size()), m, &error)) {
        err() << "zqmwrite: " << path << ": " << QString::fromStdString(error) << "\n";
        return 1;
    }
    QTextStream out(stdout);
    out << "ExtentX=" << m.extentWidth << "\nExtentY=" << m.extentHeight << "\n";
    for (const PropertyInfo& p : dispatchTable()) {
        Variant v;
        if (p.isMethod() || p.isReadOnly() || !succeeded(getProperty(m, p.dispid, v)))
            continue;
        out << p.name << "=" << describe(v) << "\n";
    }
    for (int i = 0; i < kPictureCount; ++i) {
        const auto& pic = m.picture[static_cast<std::size_t>(i)];
        out << "# Picture" << (i + 1) << " stored as "
            << (!pic ? QStringLiteral("none")
                     : QStringLiteral("an object of %1 bytes").arg(pic->bytes.size()))
            << "\n";
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 2 && args[0] == QLatin1String("--dump"))
        return dump(args[1]);
    if (args.isEmpty() || args[0].startsWith(QLatin1Char('-'))) {
        err() << "usage: zqmwrite <out.zqm> Name=Value ... | zqmwrite --dump <file.zqm>\n";
        return 2;
    }
    MarqueeModel m;
    resetToDefaults(m);
    for (const QString& arg : args.mid(1)) {
        const qsizetype eq = arg.indexOf(QLatin1Char('='));
        const QString name = arg.left(eq);
        const QString value = arg.mid(eq + 1);
        qlonglong n = 0;
        if (eq > 0 && (name == QLatin1String("ExtentX") || name == QLatin1String("ExtentY"))) {
            if (!parseNumber(value, n)) {
                err() << "zqmwrite: bad number in " << arg << "\n";
                return 2;
            }
            (name == QLatin1String("ExtentX") ? m.extentWidth : m.extentHeight) =
                static_cast<std::int32_t>(n);
            continue;
        }
        const PropertyInfo* info = eq > 0 ? findProperty(name.toStdString()) : nullptr;
        Variant v;
        if (!info || !parseValue(*info, value, v)) {
            err() << "zqmwrite: cannot use " << arg << "\n";
            return 2;
        }
        // A picture that is "none" is no object; setProperty keeps that distinction.
        if (const HResult hr = setProperty(m, info->dispid, v); !succeeded(hr)) {
            err() << "zqmwrite: " << name << ": " << QString::fromStdString(describeResult(hr))
                  << "\n";
            return 2;
        }
    }
    std::string why;
    const std::vector<std::uint8_t> bytes = saveToStream(m, &why);
    if (bytes.empty()) {
        err() << "zqmwrite: " << QString::fromStdString(why) << "\n";
        return 2;
    }
    QSaveFile file(args[0]);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()) ||
        !file.commit()) {
        err() << "zqmwrite: cannot write " << args[0] << ": " << file.errorString() << "\n";
        return 1;
    }
    return 0;
}
