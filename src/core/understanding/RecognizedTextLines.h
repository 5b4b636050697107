#pragma once

#include <QString>

// Number of non-empty lines of recognised text, split at every Unicode line break (LF, VT, FF,
// CR, NEL, LINE SEPARATOR, PARAGRAPH SEPARATOR).
int recognizedLineCount(const QString &text);
