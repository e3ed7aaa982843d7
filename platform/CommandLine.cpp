#include "CommandLine.h"

namespace platform {

QStringList splitCommandLine(const QString& parameters) {
    QStringList args;
    QString current;
    bool inArg = false;
    bool quoted = false;
    const qsizetype n = parameters.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = parameters[i];
        if (!quoted && (c == ' ' || c == '\t')) {
            if (inArg) args << current;
            current.clear();
            inArg = false;
            continue;
        }
        inArg = true;
        if (c == '\\') {
            qsizetype slashes = 0;
            while (i < n && parameters[i] == '\\') ++slashes, ++i;
            if (i < n && parameters[i] == '"') {
                current += QString(slashes / 2, '\\');
                if (slashes % 2 == 1) {
                    current += '"';
                } else {
                    --i;  // the quote toggles quoting on the next round
                }
            } else {
                current += QString(slashes, '\\');
                --i;
            }
            continue;
        }
        if (c == '"') {
            if (quoted && i + 1 < n && parameters[i + 1] == '"') {
                current += '"';  // "" inside quotes is a literal quote
                ++i;
            } else {
                quoted = !quoted;
            }
            continue;
        }
        current += c;
    }
    if (inArg) args << current;
    return args;
}

}  // namespace platform
