// zqregsvr [-u] [-s] <library>: registers (or with -u unregisters) a component library by
// calling its DllRegisterServer (DllUnregisterServer).
#include "zq_interfaces.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibrary>
#include <QTextStream>

using namespace zqmarq;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    bool unregister = false;
    bool silent = false;
    QString library;
    const QStringList args = app.arguments().mid(1);
    for (const QString& arg : args) {
        if (arg == QLatin1String("-u") || arg == QLatin1String("/u")) {
            unregister = true;
        } else if (arg == QLatin1String("-s") || arg == QLatin1String("/s")) {
            silent = true;
        } else if (library.isEmpty() && !arg.startsWith(QLatin1Char('-'))) {
            library = arg;
        } else {
            library.clear();
            break;
        }
    }
    if (library.isEmpty()) {
        err << "usage: zqregsvr [-u] [-s] <library>\n";
        return 2;
    }
    const QString path = QFileInfo(library).absoluteFilePath();
    QLibrary lib(path);
    if (!lib.load()) {
        err << "zqregsvr: cannot load " << path << ": " << lib.errorString() << "\n";
        return 1;
    }
    const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    const auto call = reinterpret_cast<DllRegisterServerFn>(lib.resolve(entry));
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
