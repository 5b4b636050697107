#include "AtomicFile.h"

#include "OrvantaError.h"

#include <QSaveFile>

void writeFileAtomically(const QString &filePath, const QByteArray &bytes)
{
    QSaveFile file(filePath);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw LibraryError(QStringLiteral("The file “%1” could not be written: %2.").arg(filePath, file.errorString()));
}
