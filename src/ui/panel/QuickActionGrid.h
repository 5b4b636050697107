#pragma once

#include "presets/PromptPreset.h"

#include <QAbstractButton>
#include <QList>
#include <QWidget>

#include <optional>

class QGridLayout;
class QVariantAnimation;

// One quick action: a rounded button filled with the accent colour while it is the active one.
class QuickActionButton : public QAbstractButton
{
    Q_OBJECT
public:
    QuickActionButton(PromptPreset preset, const QString &title, QWidget *parent = nullptr);

    PromptPreset preset() const { return m_preset; }
    void setActive(bool active);
    bool isActive() const { return m_active; }
    bool isHovered() const { return m_hovered; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void animateHover(bool hovered);

    PromptPreset m_preset;
    bool m_active = false;
    bool m_hovered = false;
    qreal m_hoverProgress = 0;
    QVariantAnimation *m_hoverAnimation;
};

// "Quick Actions" and a two-column grid of their buttons, in the user's order.
class QuickActionGrid : public QWidget
{
    Q_OBJECT
public:
    explicit QuickActionGrid(QWidget *parent = nullptr);

    void setPresets(const QList<PromptPreset> &order, const PromptPresetConfigurations &configurations,
                    std::optional<PromptPreset> active, bool isBusy);
    const QList<QuickActionButton *> &buttons() const { return m_buttons; }

Q_SIGNALS:
    void presetClicked(PromptPreset preset);

private:
    QGridLayout *m_grid;
    QList<QuickActionButton *> m_buttons;
    QList<PromptPreset> m_order;
    QStringList m_titles;
};
