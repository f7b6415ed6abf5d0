#include "session/script_argument.h"

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
