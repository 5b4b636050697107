#include "QuickActionsSection.h"

#include "PromptPresetCard.h"
#include "PromptPresetEditorSheet.h"
#include "controller/AppViewModel.h"
#include "theme/HomeButton.h"
#include "theme/HomeTheme.h"

#include <QDrag>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QVBoxLayout>

QuickActionsSection::QuickActionsSection(AppViewModel &viewModel, QWidget *parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
    , m_grid(new QGridLayout)
    , m_resetButton(new HomeButton(HomeTheme::ButtonStyle::secondaryHeader, resetTitle))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    auto *header = new QHBoxLayout;
    header->addWidget(HomeTheme::label(QStringLiteral("Quick Actions"), 17, QFont::DemiBold));
    header->addStretch();
    header->addWidget(m_resetButton);
    layout->addLayout(header);
    m_grid->setSpacing(12);
    m_grid->setColumnStretch(0, 1);
    m_grid->setColumnStretch(1, 1);
    layout->addLayout(m_grid);
    connect(m_resetButton, &QPushButton::clicked, this, &QuickActionsSection::confirmReset);

    for (PromptPreset preset : allPromptPresets) {
        auto *card = new PromptPresetCard(preset);
        m_cards.insert(preset, card);
        connect(card, &PromptPresetCard::selectRequested, this, [this, card] {
            m_viewModel.selectPreset(card->preset());
            card->setFocus(Qt::MouseFocusReason);
        });
        connect(card, &PromptPresetCard::editRequested, this,
                [this, preset] { m_viewModel.beginEditingPreset(preset); });
        connect(card, &PromptPresetCard::dragStartRequested, this, [this, preset] { startDrag(preset); });
        connect(card, &PromptPresetCard::dragEntered, this, [this, preset] { dragEntered(preset); });
        connect(card, &PromptPresetCard::dropped, this, &QuickActionsSection::dropped);
    }
    render();
}

QList<PromptPreset> QuickActionsSection::displayedOrder() const
{
    return m_drag.previewOrder.value_or(m_viewModel.presetOrder());
}

void QuickActionsSection::render()
{
    for (PromptPresetCard *card : std::as_const(m_cards)) {
        const PromptPreset preset = card->preset();
        card->setConfiguration(m_viewModel.presetConfiguration(preset));
        card->setSelected(m_viewModel.selectedPreset() == preset);
        card->setDragging(m_drag.draggedPreset == preset);
    }
    layoutCards();
    presentEditorIfNeeded();
}

void QuickActionsSection::layoutCards()
{
    const QList<PromptPreset> order = displayedOrder();
    for (qsizetype i = 0; i < order.size(); ++i) {
        PromptPresetCard *card = m_cards.value(order.at(i));
        const int row = static_cast<int>(i / 2);
        const int column = static_cast<int>(i % 2);
        if (m_grid->itemAtPosition(row, column) && m_grid->itemAtPosition(row, column)->widget() == card)
            continue;
        m_grid->removeWidget(card);
        m_grid->addWidget(card, row, column);
    }
    // Tab follows the order shown.
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(m_cards.value(order.at(i - 1)), m_cards.value(order.at(i)));
}

QMimeData *QuickActionsSection::beginDrag(PromptPreset preset)
{
    m_drag.draggedPreset = preset;
    m_drag.previewOrder = displayedOrder();
    render();
    auto *data = new QMimeData;
    data->setText(rawValue(preset));
    return data;
}

void QuickActionsSection::endDrag()
{
    m_drag.draggedPreset.reset();
    m_drag.previewOrder.reset();
    render();
}

void QuickActionsSection::startDrag(PromptPreset preset)
{
    const QPointer<QuickActionsSection> self(this);
    auto *drag = new QDrag(m_cards.value(preset));
    drag->setMimeData(beginDrag(preset));
    // The cards themselves show where the dragged one goes; the pointer carries nothing.
    QPixmap nothing(1, 1);
    nothing.fill(Qt::transparent);
    drag->setPixmap(nothing);
    drag->exec(Qt::MoveAction);
    if (self)
        endDrag();
}

void QuickActionsSection::dragEntered(PromptPreset target)
{
    if (const std::optional<QList<PromptPreset>> order = m_drag.enter(target, m_viewModel.presetOrder())) {
        m_viewModel.previewPresetOrder(*order);
        render();
    }
}

void QuickActionsSection::dropped()
{
    if (const std::optional<QList<PromptPreset>> order = m_drag.drop())
        m_viewModel.savePresetOrder(*order);
    render();
}

void QuickActionsSection::presentEditorIfNeeded()
{
    const std::optional<PromptPreset> editing = m_viewModel.editingPreset();
    if (m_editor && (!editing || m_editor->preset() != *editing)) {
        m_editor->done(QDialog::Accepted);
        m_editor->deleteLater();
        m_editor = nullptr;
    }
    if (!editing || m_editor)
        return;
    m_editor = new PromptPresetEditorSheet(*editing, m_viewModel.presetConfiguration(*editing), this);
    m_editor->setWindowModality(Qt::WindowModal);
    connect(m_editor, &PromptPresetEditorSheet::cancelRequested, &m_viewModel, &AppViewModel::dismissPresetEditor);
    connect(m_editor, &PromptPresetEditorSheet::saveRequested, this,
            [this, preset = *editing](const PromptPresetConfiguration &configuration) {
                m_viewModel.savePromptPreset(configuration, preset);
            });
    m_editor->open();
}

void QuickActionsSection::confirmReset()
{
    if (m_resetConfirmation)
        return;
    auto *alert = new QMessageBox(QMessageBox::Warning, resetQuestion, resetQuestion, QMessageBox::NoButton, this);
    alert->setInformativeText(resetMessage);
    QPushButton *reset = alert->addButton(resetTitle, QMessageBox::DestructiveRole);
    alert->addButton(QMessageBox::Cancel);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setWindowModality(Qt::WindowModal);
    connect(alert, &QMessageBox::buttonClicked, this, [this, reset](QAbstractButton *clicked) {
        if (clicked == reset)
            m_viewModel.resetAllPromptPresetsToDefault();
    });
    m_resetConfirmation = alert;
    alert->open();
}
