#pragma once

#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <cstdio>

// Looking into shown windows and comparing pictures, for the desktop, home and Wayland tests and
// the screenshot programs.

// The texts of the labels in `widget` that are not hidden.
inline QStringList labelTexts(const QWidget &widget)
{
    QStringList texts;
    for (const QLabel *label : widget.findChildren<QLabel *>()) {
        if (!label->isHidden())
            texts.append(label->text());
    }
    return texts;
}

inline QPushButton *buttonWithText(const QWidget &widget, const QString &text)
{
    for (QPushButton *button : widget.findChildren<QPushButton *>()) {
        if (button->text() == text && !button->isHidden())
            return button;
    }
    return nullptr;
}

// Shows `window` and waits until it has the keyboard focus.
inline bool showActive(QWidget &window)
{
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

// The share of pixels whose colours differ by more than `tolerance` in any channel.
inline double differingShare(const QImage &a, const QImage &b, int tolerance)
{
    qint64 differing = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
            differing += std::max({std::abs(p.red() - q.red()), std::abs(p.green() - q.green()),
                                   std::abs(p.blue() - q.blue()), std::abs(p.alpha() - q.alpha())}) > tolerance;
        }
    }
    return double(differing) / (qint64(a.width()) * a.height());
}

// Writes what `widget` shows, once it had `settleMs` to draw, to `path`, saying so on stdout.
inline bool saveScreenshot(QWidget &widget, const QString &path, int settleMs = 200)
{
    QTest::qWait(settleMs);
    const bool saved = widget.grab().save(path);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
    return saved;
}
