#include "AuthScreen.h"

#include "GoogleSignInButton.h"
#include "brand/BrandMark.h"

#include <QGraphicsDropShadowEffect>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QPushButton>
#include <QRadialGradient>
#include <QTimer>
#include <QVBoxLayout>

namespace {
constexpr int brandImageSize = 96;
constexpr qreal brandImageCornerRadius = 26;
constexpr int contentWidth = 360;
const QColor gradientTop = QColor::fromRgbF(0.08f, 0.09f, 0.12f);
const QColor gradientBottom = QColor::fromRgbF(0.04f, 0.05f, 0.07f);

QPixmap brandImage(qreal devicePixelRatio)
{
    const int pixels = qRound(brandImageSize * devicePixelRatio);
    QPixmap pixmap(pixels, pixels);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath clip;
    const qreal radius = brandImageCornerRadius * devicePixelRatio;
    clip.addRoundedRect(QRectF(0, 0, pixels, pixels), radius, radius);
    painter.setClipPath(clip);
    BrandMark::paintAppIcon(painter, QRectF(0, 0, pixels, pixels));
    painter.end();
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

QLabel *textLabel(const QString &text, int pixelSize, QFont::Weight weight, const QColor &color)
{
    // Plain text always: the error line shows messages from the sign-in callback.
    auto *label = new QLabel;
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    QFont font = label->font();
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    label->setAlignment(Qt::AlignHCenter);
    return label;
}

QColor secondaryText()
{
    QColor color(Qt::white);
    color.setAlphaF(0.62f);
    return color;
}
} // namespace

AuthScreen::AuthScreen(QWidget *parent)
    : QWidget(parent)
    , m_signInButton(new GoogleSignInButton)
    , m_errorLabel(textLabel({}, 12, QFont::Normal, secondaryText()))
    , m_waitingLabel(textLabel(browserOpenedLine, 13, QFont::Medium, secondaryText()))
    , m_cancelButton(new QPushButton(cancelTitle))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(40, 40, 40, 40);
    layout->setSpacing(0);
    layout->addStretch();

    auto *image = new QLabel;
    image->setPixmap(brandImage(devicePixelRatioF()));
    image->setFixedSize(brandImageSize, brandImageSize);
    auto *shadow = new QGraphicsDropShadowEffect(image);
    shadow->setColor(QColor(0, 0, 0, qRound(0.28 * 255)));
    shadow->setBlurRadius(24);
    shadow->setOffset(0, 8);
    image->setGraphicsEffect(shadow);
    layout->addWidget(image, 0, Qt::AlignHCenter);
    layout->addSpacing(22);
    layout->addWidget(textLabel(productName, 34, QFont::DemiBold, Qt::white), 0, Qt::AlignHCenter);
    layout->addSpacing(8);
    QLabel *subtitleLabel = textLabel(subtitle, 15, QFont::Medium, secondaryText());
    subtitleLabel->setWordWrap(true);
    layout->addWidget(subtitleLabel); // full width: a centred wrapping label would be cut short
    layout->addSpacing(32);

    m_signInButton->setMinimumWidth(280);
    layout->addWidget(m_signInButton, 0, Qt::AlignHCenter);
    connect(m_signInButton, &QAbstractButton::clicked, this, &AuthScreen::signInRequested);

    layout->addSpacing(14);
    m_errorLabel->setWordWrap(true);
    m_errorLabel->setFixedWidth(contentWidth);
    m_errorLabel->hide();
    layout->addWidget(m_errorLabel, 0, Qt::AlignHCenter);

    m_waitingLabel->setWordWrap(true);
    m_waitingLabel->setFixedWidth(contentWidth);
    layout->addWidget(m_waitingLabel, 0, Qt::AlignHCenter);
    layout->addSpacing(10);
    m_cancelButton->setCursor(Qt::PointingHandCursor);
    m_cancelButton->setStyleSheet(QStringLiteral(
        "QPushButton { color: white; background: rgba(255,255,255,0.12); border: 1px solid rgba(255,255,255,0.22);"
        " border-radius: 8px; padding: 6px 18px; font-size: 13px; }"
        "QPushButton:hover { background: rgba(255,255,255,0.2); }"));
    layout->addWidget(m_cancelButton, 0, Qt::AlignHCenter);
    connect(m_cancelButton, &QPushButton::clicked, this, &AuthScreen::cancelRequested);
    layout->addStretch();

    setSessionState(SessionState::signedOut());
}

void AuthScreen::setSessionState(const SessionState &state)
{
    const bool authenticating = state.kind == SessionState::Kind::authenticating;
    m_signInButton->setEnabled(!authenticating);
    m_waitingLabel->setVisible(authenticating);
    m_cancelButton->setVisible(authenticating);
    scheduleWindowConfiguration();
}

void AuthScreen::setErrorMessage(const std::optional<QString> &message)
{
    const bool shown = message && !message->isEmpty();
    m_errorLabel->setText(shown ? *message : QString());
    m_errorLabel->setVisible(shown);
    scheduleWindowConfiguration();
}

void AuthScreen::scheduleWindowConfiguration()
{
    const QPointer<AuthScreen> self(this);
    QTimer::singleShot(0, this, [self] {
        if (self && self->isVisible())
            self->m_configurator.configure(self->window());
    });
}

void AuthScreen::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    scheduleWindowConfiguration();
}

void AuthScreen::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient background(0, 0, 0, height());
    background.setColorAt(0, gradientTop);
    background.setColorAt(1, gradientBottom);
    painter.fillRect(rect(), background);

    // A white circle 320 across at 8 % opacity, blurred by 80, its centre 120 above where a
    // top-aligned circle would sit: a radial fade from the circle's core to 80 beyond its edge.
    const QPointF centre(width() / 2.0, 160.0 - 120.0);
    const qreal reach = 160.0 + 80.0;
    QRadialGradient glow(centre, reach);
    QColor core(255, 255, 255);
    core.setAlphaF(0.08f);
    QColor edge = core;
    edge.setAlphaF(0.04f);
    glow.setColorAt(0, core);
    glow.setColorAt((160.0 - 80.0) / reach, core);
    glow.setColorAt(160.0 / reach, edge);
    glow.setColorAt(1, Qt::transparent);
    painter.fillRect(rect(), glow);
}
