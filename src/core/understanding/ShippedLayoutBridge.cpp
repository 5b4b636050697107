#include "ShippedLayoutBridge.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

void useLayoutBridgeBesideProgram()
{
    const char *key = "ORVANTA_PADDLE_OCR_BRIDGE";
    if (!qEnvironmentVariableIsEmpty(key))
        return;
    const QString bridge =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("orvanta-layout-bridge"));
    if (QFileInfo(bridge).isExecutable())
        qputenv(key, QFile::encodeName(bridge));
}
