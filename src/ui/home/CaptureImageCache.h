#pragma once

#include <QCoro/QCoroTask>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QSize>
#include <QStringList>
#include <QThreadPool>

// Pictures of stored captures, decoded on the thread pool and scaled there once to at most
// `displayBound`, for the home window's card and strip. The main thread never decodes a
// full-size capture here: it asks, gets a null image, and repaints on imageReady.
class CaptureImageCache : public QObject
{
    Q_OBJECT
public:
    static constexpr QSize displayBound{1280, 800};

    explicit CaptureImageCache(QObject *parent = nullptr);
    ~CaptureImageCache() override;

    // The scaled picture; a null image while it is being decoded (imageReady follows) or when
    // the file no longer decodes.
    QImage image(const QString &filePath);
    // Forgets the pictures of captures that left the library.
    void retainOnly(const QStringList &filePaths);
    bool isDecoding() const { return !m_pending.isEmpty(); }

    // Runs on a worker thread: the file decoded and scaled to fit bound (never enlarged).
    static QImage decodeScaled(const QString &filePath, const QSize &bound);

Q_SIGNALS:
    void imageReady(const QString &filePath);

private:
    QCoro::Task<> decode(QString filePath);

    // Not the global pool: Qt scales and converts large images on the global pool and waits for
    // it, so decodes queued there would stall the main thread's own painting.
    QThreadPool m_decoders;
    QHash<QString, QImage> m_images;
    QSet<QString> m_pending;
};
