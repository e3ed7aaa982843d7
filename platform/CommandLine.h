#pragma once
#include <QStringList>

namespace platform {

// Splits a parameter string the way the Windows shell does (blanks separate arguments, double
// quotes group them, backslashes escape a quote), so callers can keep passing one string.
QStringList splitCommandLine(const QString& parameters);

}  // namespace platform
