#include "RecognizedTextLines.h"

int recognizedLineCount(const QString &text)
{
    int lines = 0;
    bool inLine = false;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool isBreak = (u >= 0x0A && u <= 0x0D) || u == 0x85 || u == 0x2028 || u == 0x2029;
        if (isBreak) {
            inLine = false;
        } else if (!inLine) {
            inLine = true;
            ++lines;
        }
    }
    return lines;
}
