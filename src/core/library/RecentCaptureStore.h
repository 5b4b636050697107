#pragma once

#include "RecentCaptureItem.h"
#include "models/CapturedSelection.h"

#include <QList>
#include <QRectF>
#include <QString>

#include <functional>
#include <optional>

class Clipboard;
class SavePanel;

// The outcome of saving a capture: the path written, nothing (the user cancelled), or an error.
struct SaveCaptureOutcome
{
    std::optional<QString> savedPath;
    std::optional<QString> errorMessage;

    bool operator==(const SaveCaptureOutcome &) const = default;
};

// The last captures on disk: one PNG each plus "recent-captures.json", newest first. Holds no
// cache: every call reads the index again. Used on the main thread.
class RecentCaptureStore
{
public:
    static constexpr int defaultMaximumCount = 9;

    // <application data>/Orvanta/RecentCaptures, or the temporary folder when there is none.
    static QString defaultDirectory();

    RecentCaptureStore(QString directory, Clipboard *clipboard, SavePanel *savePanel,
                       int maximumCount = defaultMaximumCount);

    QString directory() const { return m_directory; }
    QString indexFilePath() const;

    // Never fails: a missing or unreadable index is an empty library; records whose image is gone
    // are dropped and the index rewritten without them.
    QList<RecentCaptureItem> loadItems() const;
    // Stores the selection's image and puts it first. Throws LibraryError when the folder cannot
    // be created or the PNG cannot be encoded or written.
    QList<RecentCaptureItem> record(const CapturedSelection &selection) const;
    // A selection to ask about again, or none when the stored image no longer decodes.
    std::optional<CapturedSelection> restoredSelection(const RecentCaptureItem &item) const;
    // False, with the clipboard untouched, when the stored image no longer decodes.
    bool copyImageToPasteboard(const RecentCaptureItem &item) const;
    // Drops an item found undecodable from the index (its file is left, as loadItems does) and
    // returns the library that remains.
    QList<RecentCaptureItem> discard(const RecentCaptureItem &item) const;
    void saveImageUsingSavePanel(const RecentCaptureItem &item,
                                 std::function<void(const SaveCaptureOutcome &)> completion) const;

    // "orvanta-capture-yyyy-MM-dd-HHmmss.png" in local time.
    static QString suggestedFileName(const QDateTime &capturedAt);
    // Where a restored selection sits when it has no real screen position: centred on the main
    // screen's visible frame (or 1440x900 when there is no screen), sized to the image but kept small.
    static QRectF restoredSelectionRect(const QSizeF &imageSize, const std::optional<QRectF> &visibleFrame);

private:
    QString m_directory;
    Clipboard *m_clipboard;
    SavePanel *m_savePanel;
    int m_maximumCount;
};
