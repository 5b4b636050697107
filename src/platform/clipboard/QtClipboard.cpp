#include "QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>

void QtClipboard::writeImage(const QImage &image)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setImage(image);
}

void QtClipboard::writeText(const QString &text)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
}
