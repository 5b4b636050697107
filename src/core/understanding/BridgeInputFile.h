#pragma once

#include <QImage>
#include <QString>

// The capture as a PNG in the temporary folder for the layout bridge to read: named
// "orvanta-<UUID>.png", readable by its owner only (a screenshot may hold secrets), and removed
// when this object goes, whatever the outcome.
class BridgeInputFile
{
public:
    // Fails with CaptureUnderstandingError::imagePreparationFailed when the image cannot be
    // encoded, or LibraryError when the file cannot be written.
    explicit BridgeInputFile(const QImage &image);
    ~BridgeInputFile();
    BridgeInputFile(const BridgeInputFile &) = delete;
    BridgeInputFile &operator=(const BridgeInputFile &) = delete;

    QString path() const { return m_path; }

    // Fast PNG: zlib level 1. The bridge decodes it at once and deletes it, so size matters
    // far less than the time the user waits for the encoder.
    static QByteArray encodePng(const QImage &image);

private:
    QString m_path;
};
