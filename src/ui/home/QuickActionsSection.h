#pragma once

#include "PromptPresetDropDelegate.h"
#include "PromptPresetEditorSheet.h"

#include <QMap>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>

class AppViewModel;
class PromptPresetCard;
class QGridLayout;
class QMimeData;
class QPushButton;

// "Quick Actions" on the home window: the four preset cards in two columns, reordered by drag
// and drop, the editor of the preset being edited and the reset confirmation.
class QuickActionsSection : public QWidget
{
    Q_OBJECT
public:
    static inline const QString resetTitle = QStringLiteral("Reset to Default");
    static inline const QString resetQuestion = QStringLiteral("Reset all quick actions?");
    static inline const QString resetMessage =
        QStringLiteral("This will replace all customized quick actions with the default presets.");

    explicit QuickActionsSection(AppViewModel &viewModel, QWidget *parent = nullptr);

    void render();
    PromptPresetCard *card(PromptPreset preset) const { return m_cards.value(preset); }
    // The cards in the order shown.
    QList<PromptPreset> displayedOrder() const;
    QPushButton *resetButton() const { return m_resetButton; }
    PromptPresetEditorSheet *editorSheet() const { return m_editor; }
    QMessageBox *resetConfirmation() const { return m_resetConfirmation; }

    // What grabbing a card's handle does: the drag starts and its plain-text payload is returned.
    QMimeData *beginDrag(PromptPreset preset);
    // The drag ended without a drop on a card.
    void endDrag();

private:
    void startDrag(PromptPreset preset);
    void dragEntered(PromptPreset target);
    void dropped();
    void layoutCards();
    void presentEditorIfNeeded();
    void confirmReset();

    AppViewModel &m_viewModel;
    QGridLayout *m_grid;
    QPushButton *m_resetButton;
    QMap<PromptPreset, PromptPresetCard *> m_cards;
    PromptPresetDropDelegate m_drag;
    QPointer<PromptPresetEditorSheet> m_editor;
    QPointer<QMessageBox> m_resetConfirmation;
};
