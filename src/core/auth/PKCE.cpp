#include "PKCE.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

namespace {
QString base64URL(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}
} // namespace

QString PKCE::randomURLSafeString(int length)
{
    QByteArray bytes(length, Qt::Uninitialized);
    QRandomGenerator *random = QRandomGenerator::system();
    for (char &byte : bytes)
        byte = static_cast<char>(random->bounded(256));
    return base64URL(bytes);
}

QString PKCE::sha256Base64URL(const QString &text)
{
    return base64URL(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha256));
}
