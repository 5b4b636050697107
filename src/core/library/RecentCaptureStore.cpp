#include "RecentCaptureStore.h"

#include "SavePanel.h"
#include "support/AtomicFile.h"
#include "support/Clipboard.h"
#include "support/OrvantaError.h"
#include "support/ReferenceDate.h"
#include "support/UuidString.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageWriter>
#include <QLoggingCategory>
#include <QScreen>
#include <QStandardPaths>

#include <nlohmann/json.hpp>

#include <cmath>
#include <filesystem>

Q_LOGGING_CATEGORY(lcRecentCaptures, "orvanta.library")

namespace {
const QString indexFileName = QStringLiteral("recent-captures.json");
const QString restoredPreviewLabel = QStringLiteral("User-selected region");

// zlib level 1: screenshots compress nearly as well as at the default level in half the time.
constexpr int pngWriterQuality = 80;

namespace Keys {
const char *const id = "id";
const char *const sourceAppName = "sourceAppName";
const char *const frameDescription = "frameDescription";
const char *const imageWidth = "imageWidth";
const char *const imageHeight = "imageHeight";
const char *const capturedAt = "capturedAt";
const char *const fileName = "fileName";
} // namespace Keys

struct StoredCaptureRecord
{
    QUuid id;
    QString sourceAppName;
    QString frameDescription;
    double imageWidth = 0;
    double imageHeight = 0;
    double capturedAt = 0;
    QString fileName;
};

QString fromJsonString(const nlohmann::json &value)
{
    return QString::fromStdString(value.get<std::string>());
}

// All keys are required; any record that does not decode makes the whole index unreadable.
std::optional<QList<StoredCaptureRecord>> decodeRecords(const QByteArray &data)
{
    const nlohmann::json json = nlohmann::json::parse(data.begin(), data.end(), nullptr, false);
    if (!json.is_array())
        return std::nullopt;
    QList<StoredCaptureRecord> records;
    for (const nlohmann::json &entry : json) {
        if (!entry.is_object())
            return std::nullopt;
        for (const char *key : {Keys::id, Keys::sourceAppName, Keys::frameDescription, Keys::fileName}) {
            if (!entry.contains(key) || !entry[key].is_string())
                return std::nullopt;
        }
        for (const char *key : {Keys::imageWidth, Keys::imageHeight, Keys::capturedAt}) {
            if (!entry.contains(key) || !entry[key].is_number())
                return std::nullopt;
        }
        StoredCaptureRecord record;
        record.id = QUuid::fromString(fromJsonString(entry[Keys::id]));
        if (record.id.isNull())
            return std::nullopt;
        record.sourceAppName = fromJsonString(entry[Keys::sourceAppName]);
        record.frameDescription = fromJsonString(entry[Keys::frameDescription]);
        record.imageWidth = entry[Keys::imageWidth].get<double>();
        record.imageHeight = entry[Keys::imageHeight].get<double>();
        record.capturedAt = entry[Keys::capturedAt].get<double>();
        record.fileName = fromJsonString(entry[Keys::fileName]);
        records.append(record);
    }
    return records;
}

QByteArray encodeRecords(const QList<StoredCaptureRecord> &records)
{
    nlohmann::ordered_json array = nlohmann::ordered_json::array();
    for (const StoredCaptureRecord &record : records) {
        nlohmann::ordered_json entry;
        entry[Keys::id] = uuidString(record.id).toStdString();
        entry[Keys::sourceAppName] = record.sourceAppName.toStdString();
        entry[Keys::frameDescription] = record.frameDescription.toStdString();
        entry[Keys::imageWidth] = record.imageWidth;
        entry[Keys::imageHeight] = record.imageHeight;
        entry[Keys::capturedAt] = record.capturedAt;
        entry[Keys::fileName] = record.fileName.toStdString();
        array.push_back(std::move(entry));
    }
    return QByteArray::fromStdString(array.dump());
}

// A file name from the index names a file inside the store, never a path elsewhere.
bool isPlainFileName(const QString &fileName)
{
    return !fileName.isEmpty() && !fileName.contains(QLatin1Char('/')) && fileName != QStringLiteral(".") &&
           fileName != QStringLiteral("..");
}

void createDirectory(const QString &directory)
{
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(directory.toStdString()), error);
    if (error) {
        throw LibraryError(QStringLiteral("The folder “%1” could not be created: %2.")
                               .arg(directory, QString::fromStdString(error.message())));
    }
    QFile::setPermissions(directory, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QByteArray encodePng(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    writer.setQuality(pngWriterQuality);
    if (image.isNull() || !writer.write(image))
        throw LibraryError(QStringLiteral("Could not encode screenshot as PNG."));
    return bytes;
}
} // namespace

QString RecentCaptureStore::defaultDirectory()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        base = QDir::tempPath();
    return base + QStringLiteral("/Orvanta/RecentCaptures");
}

RecentCaptureStore::RecentCaptureStore(QString directory, Clipboard *clipboard, SavePanel *savePanel, int maximumCount)
    : m_directory(std::move(directory))
    , m_clipboard(clipboard)
    , m_savePanel(savePanel)
    , m_maximumCount(maximumCount)
{}

QString RecentCaptureStore::indexFilePath() const
{
    return m_directory + QLatin1Char('/') + indexFileName;
}

namespace {
QList<StoredCaptureRecord> readRecords(const QString &indexPath)
{
    QFile file(indexPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return decodeRecords(file.readAll()).value_or(QList<StoredCaptureRecord>{});
}

// Whether the index now holds the records; a failure is only logged.
bool persistRecords(const QString &directory, const QString &indexPath, const QList<StoredCaptureRecord> &records)
{
    try {
        createDirectory(directory);
        writeFileAtomically(indexPath, encodeRecords(records));
        return true;
    } catch (const LibraryError &error) {
        qCWarning(lcRecentCaptures).noquote()
            << QStringLiteral("[RecentCaptureStore] Failed to persist records: %1").arg(error.message());
        return false;
    }
}
} // namespace

QList<RecentCaptureItem> RecentCaptureStore::loadItems() const
{
    const QList<StoredCaptureRecord> records = readRecords(indexFilePath());
    QList<StoredCaptureRecord> surviving;
    QList<RecentCaptureItem> items;
    for (const StoredCaptureRecord &record : records) {
        const QString path = m_directory + QLatin1Char('/') + record.fileName;
        const QSize pixelSize = isPlainFileName(record.fileName) ? StoredCaptureImage::probe(path) : QSize();
        if (!pixelSize.isValid())
            continue;
        surviving.append(record);
        items.append({record.id, record.sourceAppName, record.frameDescription,
                      QSizeF(record.imageWidth, record.imageHeight),
                      ReferenceDate::fromSecondsSinceReferenceDate(record.capturedAt),
                      StoredCaptureImage(path, pixelSize), path});
    }
    if (surviving.size() != records.size())
        persistRecords(m_directory, indexFilePath(), surviving);
    return items;
}

QList<RecentCaptureItem> RecentCaptureStore::record(const CapturedSelection &selection) const
{
    createDirectory(m_directory);
    const QString fileName = uuidString(selection.id) + QStringLiteral(".png");
    const QString imagePath = m_directory + QLatin1Char('/') + fileName;
    writeFileAtomically(imagePath, encodePng(selection.cgImage));

    QList<StoredCaptureRecord> records = readRecords(indexFilePath());
    const bool alreadyListed =
        records.removeIf([&](const StoredCaptureRecord &record) { return record.fileName == fileName; }) > 0;
    records.prepend({selection.id, selection.sourceAppName, selection.frameDescription, selection.imageSize.width(),
                     selection.imageSize.height(), ReferenceDate::secondsSinceReferenceDate(selection.capturedAt),
                     fileName});
    QList<StoredCaptureRecord> dropped;
    while (records.size() > m_maximumCount)
        dropped.append(records.takeLast());
    // Files leave only once the index no longer names them; an image no index names is removed.
    if (!persistRecords(m_directory, indexFilePath(), records)) {
        if (!alreadyListed)
            QFile::remove(imagePath);
        return loadItems();
    }
    for (const StoredCaptureRecord &record : dropped) {
        if (isPlainFileName(record.fileName))
            QFile::remove(m_directory + QLatin1Char('/') + record.fileName);
    }
    return loadItems();
}

std::optional<CapturedSelection> RecentCaptureStore::restoredSelection(const RecentCaptureItem &item) const
{
    const QImage image = item.previewImage.image();
    if (image.isNull())
        return std::nullopt;
    std::optional<QRectF> visibleFrame;
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance()) && QGuiApplication::primaryScreen())
        visibleFrame = QRectF(QGuiApplication::primaryScreen()->availableGeometry());
    CapturedSelection selection;
    selection.id = QUuid::createUuid();
    selection.sourceAppName = item.sourceAppName;
    selection.frameDescription = item.frameDescription;
    selection.previewLabel = restoredPreviewLabel;
    selection.cgImage = image;
    selection.imageSize = item.imageSize;
    selection.selectionRect = restoredSelectionRect(item.imageSize, visibleFrame);
    selection.capturedAt = item.capturedAt;
    return selection;
}

bool RecentCaptureStore::copyImageToPasteboard(const RecentCaptureItem &item) const
{
    // Clearing the clipboard for an image that no longer decodes would lose what the user had there.
    const QImage image = item.previewImage.image();
    if (image.isNull())
        return false;
    if (m_clipboard)
        m_clipboard->writeImage(image);
    return true;
}

QList<RecentCaptureItem> RecentCaptureStore::discard(const RecentCaptureItem &item) const
{
    QList<StoredCaptureRecord> records = readRecords(indexFilePath());
    if (records.removeIf([&](const StoredCaptureRecord &record) { return record.id == item.id; }) > 0)
        persistRecords(m_directory, indexFilePath(), records);
    return loadItems();
}

void RecentCaptureStore::saveImageUsingSavePanel(const RecentCaptureItem &item,
                                                 std::function<void(const SaveCaptureOutcome &)> completion) const
{
    if (!m_savePanel) {
        completion({});
        return;
    }
    const QString sourcePath = item.fileURL;
    m_savePanel->chooseSaveLocation(
        suggestedFileName(item.capturedAt), [sourcePath, completion](std::optional<QString> destination) {
            if (!destination || destination->isEmpty()) {
                completion({});
                return;
            }
            QFile source(sourcePath);
            if (!source.open(QIODevice::ReadOnly)) {
                completion(
                    {std::nullopt,
                     QStringLiteral("The capture “%1” could not be read: %2.").arg(sourcePath, source.errorString())});
                return;
            }
            try {
                writeFileAtomically(*destination, source.readAll());
            } catch (const LibraryError &error) {
                completion({std::nullopt, error.message()});
                return;
            }
            completion({destination, std::nullopt});
        });
}

QString RecentCaptureStore::suggestedFileName(const QDateTime &capturedAt)
{
    return QStringLiteral("orvanta-capture-") + capturedAt.toLocalTime().toString(QStringLiteral("yyyy-MM-dd-HHmmss")) +
           QStringLiteral(".png");
}

QRectF RecentCaptureStore::restoredSelectionRect(const QSizeF &imageSize, const std::optional<QRectF> &visibleFrame)
{
    const QRectF frame = visibleFrame.value_or(QRectF(0, 0, 1440, 900));
    const double w = imageSize.width();
    const double h = imageSize.height();
    const double maximumWidth = std::min(std::max(w, 260.0), 0.28 * frame.width());
    const double maximumHeight = std::min(std::max(h, 180.0), 0.22 * frame.height());
    // A side of one point or less is not divided by.
    double scale = std::numeric_limits<double>::infinity();
    if (w > 1)
        scale = std::min(scale, maximumWidth / w);
    if (h > 1)
        scale = std::min(scale, maximumHeight / h);
    QSizeF size;
    if (scale <= 1)
        size = QSizeF(std::max(220.0, w * scale), std::max(140.0, h * scale));
    else
        size = QSizeF(std::max(220.0, w), std::max(140.0, h));
    const QRectF centred(frame.center().x() - size.width() / 2, frame.center().y() - size.height() / 2, size.width(),
                         size.height());
    // Integral: expanded outward to whole points.
    const double left = std::floor(centred.left());
    const double top = std::floor(centred.top());
    return QRectF(left, top, std::ceil(centred.right()) - left, std::ceil(centred.bottom()) - top);
}
