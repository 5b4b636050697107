#pragma once

#include <QHash>
#include <QTextBrowser>

// Selectable, wrapping text of one bubble or card, as tall as its text at any width and never
// scrolled or cut. A markdown answer's links open in the user's browser on a click, and only
// for http, https and mailto.
class BubbleTextView : public QTextBrowser
{
    Q_OBJECT
public:
    explicit BubbleTextView(QWidget *parent = nullptr);

    void setPlainContent(const QString &text);
    void setMarkdownContent(const QString &markdown);
    const QString &content() const { return m_content; }

    // The width the text takes unwrapped.
    int idealTextWidth() const;
    // A text that fills the width it is given does not measure its unwrapped width.
    void setFillsWidth(bool fills);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void contentChanged();
    void openLink(const QUrl &url);

    static constexpr int fillingWidthHint = 320;

    QString m_content;
    bool m_fillsWidth = false;
    QColor m_linkColour;
    bool m_isMarkdown = false;
    mutable QHash<int, int> m_heightForWidth;
    mutable int m_unwrappedWidth = -1;
};
