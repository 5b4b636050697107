#include "QuickActionGrid.h"

#include "PanelCard.h"
#include "theme/PanelPalette.h"

#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>
#include <QVariantAnimation>

namespace {
const QString heading = QStringLiteral("Quick Actions");
constexpr int buttonHeight = 38;
constexpr int buttonInset = 8;

QColor mix(const QColor &from, const QColor &to, qreal progress)
{
    const auto channel = [progress](float a, float b) { return a + (b - a) * float(progress); };
    return QColor::fromRgbF(channel(from.redF(), to.redF()), channel(from.greenF(), to.greenF()),
                            channel(from.blueF(), to.blueF()), channel(from.alphaF(), to.alphaF()));
}
} // namespace

QuickActionButton::QuickActionButton(PromptPreset preset, const QString &title, QWidget *parent)
    : QAbstractButton(parent)
    , m_preset(preset)
    , m_hoverAnimation(new QVariantAnimation(this))
{
    setText(title);
    setAccessibleName(title);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_hoverAnimation->setDuration(120);
    m_hoverAnimation->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_hoverAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        m_hoverProgress = value.toReal();
        update();
    });
}

void QuickActionButton::setActive(bool active)
{
    if (active == m_active)
        return;
    m_active = active;
    update();
}

QSize QuickActionButton::sizeHint() const
{
    return {fontMetrics().horizontalAdvance(text()) + 2 * buttonInset + 8, buttonHeight};
}

void QuickActionButton::paintEvent(QPaintEvent *)
{
    const PanelPalette colors = PanelPalette::of(palette());
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QColor textColor = colors.primaryText();
    if (m_active) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(colors.accent());
        textColor = Qt::white;
    } else {
        painter.setPen(QPen(mix(colors.quickActionBorder(false), colors.quickActionBorder(true), m_hoverProgress), 1));
        painter.setBrush(mix(colors.quickActionFill(false), colors.quickActionFill(true), m_hoverProgress));
    }
    // While an answer is fetched the others fade; the asked one keeps its colour.
    if (!isEnabled() && !m_active)
        painter.setOpacity(0.55);
    painter.drawRoundedRect(bounds, 10, 10);
    if (hasFocus()) {
        painter.setPen(QPen(colors.accent(), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(bounds.adjusted(1, 1, -1, -1), 9, 9);
    }
    painter.setPen(textColor);
    const QRect textRect = rect().adjusted(buttonInset, 0, -buttonInset, 0);
    painter.drawText(textRect, Qt::AlignCenter, fontMetrics().elidedText(text(), Qt::ElideRight, textRect.width()));
}

void QuickActionButton::enterEvent(QEnterEvent *event)
{
    animateHover(true);
    QAbstractButton::enterEvent(event);
}

void QuickActionButton::leaveEvent(QEvent *event)
{
    animateHover(false);
    QAbstractButton::leaveEvent(event);
}

void QuickActionButton::animateHover(bool hovered)
{
    m_hovered = hovered;
    m_hoverAnimation->stop();
    m_hoverAnimation->setStartValue(m_hoverProgress);
    m_hoverAnimation->setEndValue(hovered ? 1.0 : 0.0);
    m_hoverAnimation->start();
}

QuickActionGrid::QuickActionGrid(QWidget *parent) : QWidget(parent), m_grid(new QGridLayout)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    layout->addWidget(makePanelLabel(heading, 13, QFont::DemiBold, false));
    m_grid->setSpacing(8);
    layout->addLayout(m_grid);
}

void QuickActionGrid::setPresets(const QList<PromptPreset> &order, const PromptPresetConfigurations &configurations,
                                 std::optional<PromptPreset> active, bool isBusy)
{
    QStringList titles;
    for (PromptPreset preset : order)
        titles.append(configurations.value(preset, defaultConfiguration(preset)).title);
    if (order != m_order || titles != m_titles) {
        qDeleteAll(m_buttons);
        m_buttons.clear();
        for (qsizetype i = 0; i < order.size(); ++i) {
            auto *button = new QuickActionButton(order.at(i), titles.at(i));
            const PromptPreset preset = order.at(i);
            connect(button, &QAbstractButton::clicked, this, [this, preset] { Q_EMIT presetClicked(preset); });
            m_grid->addWidget(button, int(i / 2), int(i % 2));
            m_buttons.append(button);
        }
        m_order = order;
        m_titles = titles;
    }
    for (QuickActionButton *button : std::as_const(m_buttons)) {
        button->setActive(active == button->preset());
        button->setEnabled(!isBusy);
    }
}
