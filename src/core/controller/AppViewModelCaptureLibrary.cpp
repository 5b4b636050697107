// The capture-library part of the controller: the mirrored list, its selection, copy, save and
// the short toast.
#include "AppViewModel.h"

#include "support/OrvantaError.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcCaptureLibrary, "orvanta.controller.library")

void AppViewModel::recordCapture(const CapturedSelection &selection)
{
    // The capture is already on the clipboard and its panel comes next: a library that cannot
    // take it (read-only folder, full disk) costs only the library entry.
    try {
        refreshRecentCaptures(m_services.recentCaptureStore->record(selection), selection.id);
    } catch (const LibraryError &error) {
        qCWarning(lcCaptureLibrary).noquote()
            << QStringLiteral("[RecentCaptureStore] Failed to record capture: %1").arg(error.message());
    }
}

void AppViewModel::refreshRecentCaptures(const QList<RecentCaptureItem> &items, std::optional<QUuid> selecting)
{
    m_recentCaptures = items;
    const bool selectable = selecting && std::any_of(items.cbegin(), items.cend(), [&](const RecentCaptureItem &item) {
                                return item.id == *selecting;
                            });
    if (selectable)
        m_selectedRecentCaptureID = selecting;
    else if (!items.isEmpty())
        m_selectedRecentCaptureID = items.first().id;
    else
        m_selectedRecentCaptureID.reset();
    Q_EMIT changed();
}

void AppViewModel::selectRecentCapture(const RecentCaptureItem &item)
{
    m_selectedRecentCaptureID = item.id;
    Q_EMIT changed();
}

void AppViewModel::copyRecentCapture(const RecentCaptureItem &item)
{
    if (!m_services.recentCaptureStore->copyImageToPasteboard(item)) {
        forgetUnrestorableCapture(item);
        return;
    }
    showRecentCaptureToast(ControllerTexts::copiedToast);
}

void AppViewModel::forgetUnrestorableCapture(const RecentCaptureItem &item)
{
    m_lastErrorMessage = ControllerTexts::captureNotRestored;
    refreshRecentCaptures(m_services.recentCaptureStore->discard(item), m_selectedRecentCaptureID);
}

void AppViewModel::saveRecentCapture(const RecentCaptureItem &item)
{
    const QPointer<AppViewModel> weak(this);
    m_services.recentCaptureStore->saveImageUsingSavePanel(item, [weak](const SaveCaptureOutcome &outcome) {
        // The panel may answer from its own event loop; touch state only from the main queue.
        QMetaObject::invokeMethod(
            weak.data(),
            [weak, outcome] {
                if (!weak || !outcome.errorMessage)
                    return;
                weak->m_lastErrorMessage = outcome.errorMessage;
                Q_EMIT weak->changed();
            },
            Qt::QueuedConnection);
    });
}

void AppViewModel::showRecentCaptureToast(const QString &message)
{
    m_recentCaptureToastMessage = message;
    // Restarting cancels the pending dismissal, so an older timer never clears a newer toast.
    m_recentCaptureToastTimer.start();
    Q_EMIT changed();
}
