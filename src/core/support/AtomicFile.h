#pragma once

#include <QByteArray>
#include <QString>

// Replaces the file with the bytes in one step (a reader sees the old file or the new one, never
// half of it). Throws LibraryError with the file system's reason.
void writeFileAtomically(const QString &filePath, const QByteArray &bytes);
