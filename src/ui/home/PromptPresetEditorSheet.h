#pragma once

#include "presets/PromptPreset.h"

#include <QDialog>

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The editor of one quick action: its title and its prompt (at most 300 characters, cut off
// beyond). Save hands the trimmed texts, with the preset's subtitle unchanged, to whoever stores
// them; the sheet stays open until they close it, so a failed save keeps the user's edit.
class PromptPresetEditorSheet : public QDialog
{
    Q_OBJECT
public:
    static constexpr int promptLimit = 300;

    PromptPresetEditorSheet(PromptPreset preset, const PromptPresetConfiguration &initialConfiguration,
                            QWidget *parent = nullptr);

    PromptPreset preset() const { return m_preset; }
    QLineEdit *titleField() const { return m_title; }
    QPlainTextEdit *promptEditor() const { return m_prompt; }
    QLabel *counter() const { return m_counter; }
    QPushButton *saveButton() const { return m_save; }
    // What Save would store.
    PromptPresetConfiguration editedConfiguration() const;
    bool canSave() const;

    // Cancel, Escape and the close button: asks the owner to close the sheet.
    void reject() override;

Q_SIGNALS:
    void cancelRequested();
    void saveRequested(const PromptPresetConfiguration &configuration);

private:
    void limitPrompt();
    void refresh();

    PromptPreset m_preset;
    PromptPresetConfiguration m_initial;
    QLineEdit *m_title;
    QPlainTextEdit *m_prompt;
    QLabel *m_counter;
    QPushButton *m_save;
};
