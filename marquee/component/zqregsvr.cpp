// zqregsvr [-u] [-s] <library>: registers (or with -u unregisters) a component library by
// calling its DllRegisterServer (DllUnregisterServer).
// zqregsvr --info <library>: prints the library's version block without loading it.
#include "component_registry.h"
#include "identifiers.h"
#include "version_block.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QTextStream>

using namespace zqmarq;

namespace {

int printInfo(const QString& path, QTextStream& out, QTextStream& err) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        err << "zqregsvr: cannot read " << path << ": " << file.errorString() << "\n";
        return 1;
    }
    QString error;
    const auto entries = readVersionBlock(file.readAll(), &error);
    if (!entries) {
        err << "zqregsvr: " << path << ": " << error << "\n";
        return 1;
    }
    for (const auto& [name, value] : *entries) {
        // A marker has no value.
        if (value.isEmpty())
            out << name << "\n";
        else
            out << name << ": " << value << "\n";
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    bool unregister = false;
    bool silent = false;
    bool info = false;
    QString library;
    const QStringList args = app.arguments().mid(1);
    for (const QString& arg : args) {
        if (arg == QLatin1String("-u") || arg == QLatin1String("/u")) {
            unregister = true;
        } else if (arg == QLatin1String("-s") || arg == QLatin1String("/s")) {
            silent = true;
        } else if (arg == QLatin1String("--info")) {
            info = true;
        } else if (library.isEmpty() && !arg.startsWith(QLatin1Char('-'))) {
            library = arg;
        } else {
            library.clear();
            break;
        }
    }
    if (library.isEmpty() || (info && (unregister || silent))) {
        err << "usage: zqregsvr [-u] [-s] <library>\n"
               "       zqregsvr --info <library>\n";
        return 2;
    }
    const QString path = QFileInfo(library).absoluteFilePath();
    if (info)
        return printInfo(path, out, err);
    if (!unregister) {
        if (const auto reason = unstorablePathReason(path)) {
            err << "zqregsvr: cannot register " << path << ": " << *reason << "\n";
            return 1;
        }
    }
    QLibrary lib(path);
    if (!lib.load()) {
        err << "zqregsvr: cannot load " << path << ": " << lib.errorString() << "\n";
        return 1;
    }
    const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    // DllRegisterServer and DllUnregisterServer: no arguments, an HRESULT.
    using EntryFn = HResult (*)();
    const auto call = reinterpret_cast<EntryFn>(lib.resolve(entry));
    if (!call) {
        err << "zqregsvr: " << path << " has no " << entry << " entry point\n";
        return 1;
    }
    const HResult hr = call();
    if (!succeeded(hr)) {
        err << "zqregsvr: " << entry << " in " << path
            << " failed: " << QString::fromStdString(describeResult(hr)) << "\n";
        return 1;
    }
    if (!silent)
        out << entry << " in " << path << " succeeded.\n";
    return 0;
}
