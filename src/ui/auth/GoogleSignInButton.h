#pragma once

#include <QAbstractButton>

// "Continue with Google": a white rounded row with a round "G" badge, drawn without the
// platform's button bezel.
class GoogleSignInButton : public QAbstractButton
{
    Q_OBJECT
public:
    static inline const QString title = QStringLiteral("Continue with Google");
    static constexpr int rowHeight = 52;
    static constexpr int maximumRowWidth = 360;

    explicit GoogleSignInButton(QWidget *parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
};
