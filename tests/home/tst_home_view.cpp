#include "ControllerHarness.h"
#include "TemporaryHome.h"
#include "WidgetProbes.h"
#include "home/CaptureImageCache.h"
#include "home/HomeView.h"
#include "home/PromptPresetCard.h"
#include "home/PromptPresetEditorSheet.h"
#include "home/QuickActionsSection.h"
#include "home/RecentCaptureStrip.h"
#include "home/RecentCaptureThumbnail.h"
#include "home/SelectedRegionCard.h"
#include "preview/SelectedRegionImagePreviewController.h"
#include "savepanel/FileDialogSavePanel.h"

#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
using Order = QList<PromptPreset>;
const Order defaultOrder{PromptPreset::explain, PromptPreset::summarize, PromptPreset::simplify,
                         PromptPreset::keyPoint};

// Delivers a drag event to the card as the window system would.
bool sendDrag(QWidget *card, QEvent::Type type, const QMimeData &data)
{
    const QPoint centre = card->rect().center();
    if (type == QEvent::DragEnter) {
        QDragEnterEvent event(centre, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(card, &event);
        return event.isAccepted();
    }
    QDropEvent event(centre, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(card, &event);
    return event.isAccepted();
}
} // namespace

class HomeViewTest : public QObject
{
    Q_OBJECT
private:
    TemporaryHome m_home;
    std::unique_ptr<ControllerHarness> h;
    std::unique_ptr<HomeView> m_view;
    int m_run = 0;

    HomeView &home(int storedCaptures = 0)
    {
        for (int i = 0; i < storedCaptures; ++i) {
            CapturedSelection selection = FakeCaptureService::makeSelection(QSize(40 + i, 30));
            selection.capturedAt = QDateTime::currentDateTime().addSecs(i);
            h->store.record(selection);
        }
        h->makeController();
        m_view = std::make_unique<HomeView>(*h->controller, h->session, &h->notifications);
        if (!showActive(*m_view))
            qWarning("the home window did not become active");
        return *m_view;
    }

private Q_SLOTS:
    void init() { h = std::make_unique<ControllerHarness>(m_home.path() + u"/library-%1"_s.arg(++m_run), false); }
    void cleanup()
    {
        m_view.reset();
        h.reset();
    }

    // --- the capture library ---

    void stripShowsTheNewestNineAtItsEnd_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("shown");
        QTest::newRow("empty library") << 0 << 0;
        QTest::newRow("twelve recorded, nine kept") << 12 << 9;
    }
    void stripShowsTheNewestNineAtItsEnd()
    {
        QFETCH(int, stored);
        QFETCH(int, shown);
        SelectedRegionCard *card = home(stored).selectedRegionCard();
        RecentCaptureStrip *strip = card->strip();
        QCOMPARE(strip->thumbnails().size(), shown);
        QCOMPARE(card->placeholder()->isVisible(), shown == 0);
        if (shown == 0)
            return;
        const QList<RecentCaptureItem> library = h->controller->recentCaptures();
        QCOMPARE(strip->shownItems().last().id, library.first().id);
        // The newest is selected and outlined; a click selects another and focuses the strip.
        QVERIFY(strip->thumbnails().last()->isSelected() && !strip->thumbnails().first()->isSelected());
        QTest::mouseClick(strip->thumbnails().first(), Qt::LeftButton);
        QCOMPARE(h->controller->selectedRecentCaptureID(), std::optional<QUuid>(strip->shownItems().first().id));
        QVERIFY(strip->hasFocus());
        QTest::keyClick(strip, Qt::Key_Right);
        QCOMPARE(h->controller->selectedRecentCaptureID(), std::optional<QUuid>(strip->shownItems().at(1).id));
        // Pictures arrive from the worker threads, already scaled.
        QTRY_VERIFY(!m_view->imageCache().isDecoding());
        QVERIFY(!m_view->imageCache().image(library.first().fileURL).isNull());
    }

    // --- quick actions ---

    void draggingSwapsCardsAndDropCommits()
    {
        QuickActionsSection *section = home().quickActions();
        std::unique_ptr<QMimeData> payload(section->beginDrag(PromptPreset::explain));
        QCOMPARE(payload->text(), u"explain"_s);
        QVERIFY(section->card(PromptPreset::explain)->isDragging());

        // First over third: the two change places, the second stays, and the order applies at once.
        QVERIFY(sendDrag(section->card(PromptPreset::simplify), QEvent::DragEnter, *payload));
        const Order swapped{PromptPreset::simplify, PromptPreset::summarize, PromptPreset::explain,
                            PromptPreset::keyPoint};
        QCOMPARE(section->displayedOrder(), swapped);
        QCOMPARE(h->controller->presetOrder(), swapped);
        QVERIFY(sendDrag(section->card(PromptPreset::simplify), QEvent::Drop, *payload));
        QCOMPARE(h->controller->loadStoredPresetOrder(), swapped);
        QVERIFY(!section->card(PromptPreset::explain)->isDragging());

        // A card dropped on itself changes nothing.
        payload.reset(section->beginDrag(PromptPreset::summarize));
        QVERIFY(sendDrag(section->card(PromptPreset::summarize), QEvent::DragEnter, *payload));
        QVERIFY(sendDrag(section->card(PromptPreset::summarize), QEvent::Drop, *payload));
        QCOMPARE(h->controller->presetOrder(), swapped);

        // Only plain text is taken.
        QMimeData picture;
        picture.setImageData(QImage(4, 4, QImage::Format_RGB32));
        QVERIFY(!sendDrag(section->card(PromptPreset::keyPoint), QEvent::DragEnter, picture));
    }

    void editorRules_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("prompt");
        QTest::addColumn<bool>("saveEnabled");
        QTest::newRow("title of spaces") << u"   "_s << u"Do it."_s << false;
        QTest::newRow("prompt of newlines") << u"Mine"_s << u"\n \n"_s << false;
        QTest::newRow("both set, padded") << u"  Mine "_s << u"\n Do it. "_s << true;
    }
    void editorRules()
    {
        QFETCH(QString, title);
        QFETCH(QString, prompt);
        QFETCH(bool, saveEnabled);
        QuickActionsSection *section = home().quickActions();
        QTest::mouseDClick(section->card(PromptPreset::summarize), Qt::LeftButton);
        PromptPresetEditorSheet *editor = section->editorSheet();
        QVERIFY(editor);
        editor->titleField()->setText(title);
        editor->promptEditor()->setPlainText(prompt);
        QCOMPARE(editor->saveButton()->isEnabled(), saveEnabled);
        if (!saveEnabled)
            return;
        editor->saveButton()->click();
        QTRY_VERIFY(!section->editorSheet());
        const PromptPresetConfiguration saved = h->controller->presetConfiguration(PromptPreset::summarize);
        QCOMPARE(saved.title, u"Mine"_s);
        QCOMPARE(saved.prompt, u"Do it."_s);
    }

    void editorCutsPromptsAtTheLimitAndStaysOpenOnFailure()
    {
        QuickActionsSection *section = home().quickActions();
        h->controller->beginEditingPreset(PromptPreset::explain);
        PromptPresetEditorSheet *editor = section->editorSheet();
        QVERIFY(editor);
        editor->promptEditor()->setPlainText(QString(299, QLatin1Char('a')));
        editor->promptEditor()->moveCursor(QTextCursor::End);
        editor->promptEditor()->insertPlainText(QString(500, QLatin1Char('b')));
        QCOMPARE(editor->promptEditor()->toPlainText(), QString(299, QLatin1Char('a')) + QLatin1Char('b'));
        QCOMPARE(editor->counter()->text(), u"300/300"_s);

        h->ai.updateReplies.append([](const QList<StoredPromptPreset> &) -> QList<StoredPromptPreset> {
            throw AIProviderError::apiError(u"Preset store unavailable."_s);
        });
        editor->saveButton()->click();
        QTRY_VERIFY(h->controller->lastErrorMessage());
        QCOMPARE(section->editorSheet(), editor);
        QVERIFY(editor->isVisible());
        editor->reject(); // Cancel
        QTRY_VERIFY(!section->editorSheet());
        QVERIFY(!h->controller->editingPreset());
    }

    void resetAlert_data()
    {
        QTest::addColumn<bool>("confirm");
        QTest::newRow("cancel changes nothing") << false;
        QTest::newRow("reset restores the texts, keeps the order") << true;
    }
    void resetAlert()
    {
        QFETCH(bool, confirm);
        QuickActionsSection *section = home().quickActions();
        QCoro::waitFor(h->controller->savePromptPreset({u"Mine"_s, u"s"_s, u"p"_s}, PromptPreset::keyPoint));
        const Order reversed{PromptPreset::keyPoint, PromptPreset::simplify, PromptPreset::summarize,
                             PromptPreset::explain};
        h->controller->previewPresetOrder(reversed);
        section->resetButton()->click();
        QMessageBox *alert = section->resetConfirmation();
        QVERIFY(alert);
        QAbstractButton *choice = nullptr;
        for (QAbstractButton *button : alert->buttons()) {
            if ((alert->buttonRole(button) == QMessageBox::DestructiveRole) == confirm)
                choice = button;
        }
        choice->click();
        QTRY_COMPARE(h->controller->presetConfiguration(PromptPreset::keyPoint).title,
                     confirm ? u"Draft Reply"_s : u"Mine"_s);
        QCOMPARE(h->controller->presetOrder(), reversed);
    }

    // --- the preview window ---

    void previewReusesItsWindowAndOnlyLogsASaveFailure()
    {
        SelectedRegionImagePreviewController preview(h->clipboard, h->savePanel);
        QImage image(600, 400, QImage::Format_RGB32);
        image.fill(Qt::red);
        const QDateTime capturedAt(QDate(2025, 3, 5), QTime(14, 7, 9));
        preview.present(image, u"Browser"_s, capturedAt);
        QWidget *window = preview.window();
        QVERIFY(window && window->isVisible());
        preview.present(image, u"Terminal"_s, capturedAt);
        QCOMPARE(preview.window(), window);

        h->savePanel.chosenPath = m_home.path() + u"/no/such/folder/shot.png"_s;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral(
                                               "^\\[SelectedRegionImagePreview\\] Failed to save image: ")));
        preview.saveImage();
        QCOMPARE(h->savePanel.suggestedNames.last(), u"Terminal-2025-03-05-140709.png"_s);
        const QWidgetList windows = QApplication::topLevelWidgets();
        QCOMPARE(std::count_if(windows.cbegin(), windows.cend(), [](QWidget *w) { return w->isVisible(); }), 1);

        h->savePanel.chosenPath = m_home.path() + u"/shot.png"_s;
        preview.saveImage();
        QCOMPARE(QImage(*h->savePanel.chosenPath).pixelColor(5, 5), QColor(Qt::red));
        preview.copyImage();
        QCOMPARE(QApplication::clipboard()->image().size(), image.size());

        window->close();
        QTRY_VERIFY(!preview.window());
    }

    // The name the save panel suggests for a capture, and the name a typed path is saved under.
    void savedFileNames_data()
    {
        QTest::addColumn<bool>("typedInThePanel");
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, bool typed, const QString &given, const QString &expected) {
            QTest::newRow(name) << typed << given << expected;
        };
        row("title with slashes and colons", false, u"Notes: Plan/Draft"_s,
            u"Notes- Plan-Draft-2025-03-05-140709.png"_s);
        row("title of only spaces", false, u"   "_s, u"orvanta-capture-2025-03-05-140709.png"_s);
        row("title trimmed", false, u"\n Editor \t"_s, u"Editor-2025-03-05-140709.png"_s);
        row("typed without suffix", true, u"/tmp/shot"_s, u"/tmp/shot.png"_s);
        row("typed png", true, u"/tmp/shot.PNG"_s, u"/tmp/shot.PNG"_s);
        row("typed with another suffix", true, u"/tmp/shot.jpg"_s, u"/tmp/shot.jpg.png"_s);
    }
    void savedFileNames()
    {
        QFETCH(bool, typedInThePanel);
        QFETCH(QString, given);
        const QDateTime capturedAt(QDate(2025, 3, 5), QTime(14, 7, 9));
        QTEST(typedInThePanel ? FileDialogSavePanel::withPngSuffix(given)
                              : SelectedRegionImagePreviewController::suggestedFileName(given, capturedAt),
              "expected");
    }
};

QTEST_MAIN(HomeViewTest)
#include "tst_home_view.moc"
