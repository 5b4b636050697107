// bench_answer_panel [--runs N]: the answer panel's own costs, medians of N runs.
//  - mouse-up to the panel shown in its busy state (capture handed over, clipboard, capture
//    library, panel built, shown and painted), less the fixed reveal delay, for a small and a
//    full-screen selection;
//  - a 4,000-character markdown answer added to the conversation, laid out and painted;
//  - one keystroke in the question field with 50 turns on screen, handled and painted.
// Run it under Xvfb (scripts/with-xvfb) or with QT_QPA_PLATFORM=offscreen.
#include "ControllerHarness.h"
#include "TemporaryHome.h"
#include "panel/FloatingResultPanel.h"
#include "panel/PromptTextView.h"
#include "panel/ResultOverlayPanelController.h"
#include "panel/ResultOverlayView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QTest>

#include <algorithm>
#include <cstdio>

namespace {
double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

void report(const char *what, const QList<double> &milliseconds, double goal)
{
    std::printf("%-58s median %7.2f ms  (min %6.2f, max %6.2f; goal <= %.0f ms)\n", what, median(milliseconds),
                *std::min_element(milliseconds.begin(), milliseconds.end()),
                *std::max_element(milliseconds.begin(), milliseconds.end()), goal);
}

QImage screenContent(QSize size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(0xf4, 0xf4, 0xf6));
    QPainter painter(&image);
    for (int y = 20; y < size.height(); y += 22)
        painter.drawText(20, y, QStringLiteral("Quarterly revenue grew in every region except the north-west."));
    return image;
}

QString longMarkdownAnswer()
{
    QString answer =
        QStringLiteral("**Summary.** The table compares `revenue` by region; see [the report](https://a.example).\n\n");
    int item = 1;
    while (answer.size() < 4000) {
        answer += QStringLiteral("%1. Region %1 grew by *%2 %* against last year, mostly from new customers.\n")
                      .arg(item)
                      .arg(item * 3);
        answer += QStringLiteral("- A detail with **bold** words and a `code` span that wraps across the line.\n");
        ++item;
    }
    return answer.left(4000);
}

ConversationTurn turn(int i, const QString &answer)
{
    return {QUuid::createUuid(), QStringLiteral("Question %1?").arg(i), answer, QDateTime::currentDateTime(),
            QStringLiteral("bench")};
}

ResultOverlaySnapshot conversationSnapshot(int turns, const QString &lastAnswer)
{
    ResultOverlaySnapshot snapshot;
    snapshot.capture.id = QUuid::createUuid();
    snapshot.capture.selectionRect = QRectF(40, 40, 300, 200);
    snapshot.presetOrder = {allPromptPresets.begin(), allPromptPresets.end()};
    snapshot.presetConfigurations = defaultConfigurations();
    snapshot.showsSelectionDecoration = snapshot.delaysPanelReveal = false;
    snapshot.overlayPanelSizePreset = OverlayPanelSizePreset::large;
    for (int i = 0; i < turns; ++i)
        snapshot.conversationHistory.append(turn(i, i + 1 == turns ? lastAnswer : QStringLiteral("A short answer.")));
    return snapshot;
}

// Lays out what is pending and paints the whole window, as the next frame would at most.
void settle(QWidget &window)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    window.grab();
}
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int runs = argc > 2 && QByteArray(argv[1]) == "--runs" ? std::max(3, atoi(argv[2])) : 15;
    TemporaryHome home;
    ResultOverlayCallbacks callbacks;

    for (const QSize size : {QSize(800, 500), QSize(2560, 1600)}) {
        QList<double> shown;
        for (int run = 0; run < runs; ++run) {
            ResultOverlayPanelController panel;
            ControllerHarness h(home.path() + QStringLiteral("/library-%1").arg(run), false);
            h.services.overlayController = &panel;
            AppViewModel &vm = h.makeController();
            h.understanding.gate.close(); // the capture stays in its busy state
            CapturedSelection selection = FakeCaptureService::makeSelection(size);
            selection.cgImage = screenContent(size);
            h.capture.replies.append([selection] { return selection; });

            QElapsedTimer timer;
            timer.start();
            QCoro::Task<> flow = vm.runCaptureFlow();
            while (!panel.isVisible())
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            // The library write ran while the reveal waited; what is left is showing the panel.
            settle(*panel.panel());
            shown.append(timer.nsecsElapsed() / 1e6 - ResultOverlayPanelController::revealDelayMilliseconds);
            h.understanding.gate.open();
            QCoro::waitFor(flow);
        }
        report(qPrintable(
                   QStringLiteral("mouse-up to busy panel shown, %1x%2 capture").arg(size.width()).arg(size.height())),
               shown, 100);
    }

    ResultOverlayPanelController panel;
    const QString answer = longMarkdownAnswer();
    QList<double> rendered;
    for (int run = 0; run < runs; ++run) {
        panel.close();
        panel.present(conversationSnapshot(1, QStringLiteral("First.")), callbacks);
        settle(*panel.panel());
        QElapsedTimer timer;
        timer.start();
        panel.updateVisibleContent(conversationSnapshot(2, answer), callbacks);
        settle(*panel.panel());
        rendered.append(timer.nsecsElapsed() / 1e6);
    }
    report("4,000-character markdown answer added and painted", rendered, 16);

    panel.close();
    panel.present(conversationSnapshot(50, answer), callbacks);
    settle(*panel.panel());
    PromptTextView *field = panel.view()->questionField();
    field->setFocus();
    QList<double> keystrokes;
    for (int run = 0; run < runs * 4; ++run) {
        QElapsedTimer timer;
        timer.start();
        QTest::keyClick(field, Qt::Key_A);
        settle(*panel.panel());
        keystrokes.append(timer.nsecsElapsed() / 1e6);
    }
    report("keystroke in the field with 50 turns on screen", keystrokes, 8);
    return 0;
}
