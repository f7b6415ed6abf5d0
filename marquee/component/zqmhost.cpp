// zqmhost: a minimal container. Creates a control by class id or ProgID through the component
// registry, optionally loads a stored design, prints the named properties (all when none are
// named) and, with --show, shows the control in a window until it is closed.
//   zqmhost [--load <file.zqm>] [--show] <clsid|progid> [Property ...]
#include "control_host.h"

#include <QApplication>
#include <QTextStream>
#include <QWidget>

using namespace zqmarq;

namespace {
QString describe(const Variant& v) {
    if (FontRef f = v.asFont())
        return QStringLiteral("%1 %2 pt weight %3")
            .arg(QString::fromLatin1(f->faceName.c_str()))
            .arg(f->points())
            .arg(f->weight);
    if (PictureRef p = v.asPicture())
        return QStringLiteral("picture of %1 bytes").arg(p->bytes.size());
    if (const ColorValue* c = v.asColor())
        return QStringLiteral("0x%1").arg(c->value, 8, 16, QLatin1Char('0'));
    std::string s;
    if (!v.isEmpty() && succeeded(v.toString(s)))
        return QString::fromUtf8(s.c_str(), static_cast<qsizetype>(s.size()));
    return QStringLiteral("(nothing)");
}
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = app.arguments().mid(1);
    QString design;
    bool show = false;
    while (!args.isEmpty() && args.first().startsWith(QLatin1String("--"))) {
        const QString option = args.takeFirst();
        if (option == QLatin1String("--load") && !args.isEmpty()) {
            design = args.takeFirst();
        } else if (option == QLatin1String("--show")) {
            show = true;
        } else {
            args.clear();
            break;
        }
    }
    if (args.isEmpty()) {
        err << "usage: zqmhost [--load <file.zqm>] [--show] <clsid|progid> [Property ...]\n";
        return 2;
    }
    QWidget window;
    QString error;
    auto host = ControlHost::create(args.takeFirst(), &window, &error);
    if (!host) {
        err << "zqmhost: " << error << "\n";
        return 1;
    }
    if (!design.isEmpty() && !host->loadStreamFile(design, &error)) {
        err << "zqmhost: " << error << "\n";
        return 1;
    }
    if (args.isEmpty()) {
        for (const PropertyInfo& p : host->typeInfo().properties) {
            if (!p.isMethod())
                args << QString::fromLatin1(p.name);
        }
    }
    for (const QString& name : args) {
        error.clear();
        const Variant v = host->property(name, &error);
        if (!error.isEmpty()) {
            err << "zqmhost: " << error << "\n";
            return 1;
        }
        out << name << "=" << describe(v) << "\n";
    }
    if (!show)
        return 0;
    window.setWindowTitle(QStringLiteral("zqmhost"));
    window.resize(host->widget()->size().expandedTo(QSize(300, 40)));
    host->widget()->show();
    window.show();
    return app.exec();
}
