#include "PromptPresetEditorSheet.h"

#include "theme/HomeTheme.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

PromptPresetEditorSheet::PromptPresetEditorSheet(PromptPreset preset,
                                                 const PromptPresetConfiguration &initialConfiguration, QWidget *parent)
    : QDialog(parent)
    , m_preset(preset)
    , m_initial(initialConfiguration)
    , m_title(new QLineEdit(initialConfiguration.title))
    , m_prompt(new QPlainTextEdit)
    , m_counter(HomeTheme::label({}, 12))
{
    const QString heading = QStringLiteral("Customize ") + defaultConfiguration(preset).title;
    setWindowTitle(heading);
    setMinimumSize(520, 360);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 16);
    layout->setSpacing(14);
    layout->addWidget(HomeTheme::label(heading, 17, QFont::DemiBold));

    auto *copy = new QGroupBox(QStringLiteral("Button Copy"));
    auto *copyLayout = new QFormLayout(copy);
    m_title->setAccessibleName(QStringLiteral("Title"));
    copyLayout->addRow(QStringLiteral("Title"), m_title);
    layout->addWidget(copy);

    auto *prompt = new QGroupBox(QStringLiteral("AI Prompt"));
    auto *promptLayout = new QVBoxLayout(prompt);
    m_prompt->setPlainText(initialConfiguration.prompt.left(promptLimit));
    m_prompt->setMinimumHeight(140);
    m_prompt->setFont(HomeTheme::font(14));
    m_prompt->setAccessibleName(QStringLiteral("AI Prompt"));
    m_prompt->setTabChangesFocus(true);
    promptLayout->addWidget(m_prompt);
    auto *footer = new QHBoxLayout;
    auto *footnote = HomeTheme::label(QStringLiteral("This prompt is what Orvanta sends when you click this preset."),
                                      12, QFont::Normal, true);
    footnote->setWordWrap(true);
    footer->addWidget(footnote, 1);
    QFont tabular = m_counter->font();
    tabular.setStyleHint(QFont::Monospace);
    tabular.setFamily(QStringLiteral("monospace"));
    m_counter->setFont(tabular);
    footer->addWidget(m_counter, 0, Qt::AlignRight | Qt::AlignTop);
    promptLayout->addLayout(footer);
    layout->addWidget(prompt, 1);

    auto *buttons = new QDialogButtonBox;
    buttons->addButton(QDialogButtonBox::Cancel);
    m_save = buttons->addButton(QStringLiteral("Save"), QDialogButtonBox::AcceptRole);
    m_save->setDefault(true);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::rejected, this, &PromptPresetEditorSheet::reject);
    connect(m_save, &QPushButton::clicked, this, [this] {
        if (canSave())
            Q_EMIT saveRequested(editedConfiguration());
    });
    connect(m_title, &QLineEdit::textChanged, this, &PromptPresetEditorSheet::refresh);
    connect(m_prompt, &QPlainTextEdit::textChanged, this, &PromptPresetEditorSheet::limitPrompt);
    refresh();
}

PromptPresetConfiguration PromptPresetEditorSheet::editedConfiguration() const
{
    return {m_title->text().trimmed(), m_initial.subtitle, m_prompt->toPlainText().trimmed()};
}

bool PromptPresetEditorSheet::canSave() const
{
    const PromptPresetConfiguration edited = editedConfiguration();
    return !edited.title.isEmpty() && !edited.prompt.isEmpty();
}

void PromptPresetEditorSheet::limitPrompt()
{
    // Typing or pasting past the limit keeps only its first characters.
    const QString text = m_prompt->toPlainText();
    if (text.size() > promptLimit) {
        const QSignalBlocker blocker(m_prompt);
        m_prompt->setPlainText(text.left(promptLimit));
        m_prompt->moveCursor(QTextCursor::End);
    }
    refresh();
}

void PromptPresetEditorSheet::refresh()
{
    const qsizetype count = m_prompt->toPlainText().size();
    m_counter->setText(QStringLiteral("%1/%2").arg(count).arg(promptLimit));
    QPalette palette = m_counter->palette();
    palette.setColor(QPalette::WindowText,
                     count >= promptLimit ? HomeTheme::warning() : HomeTheme::secondaryText(this->palette()));
    m_counter->setPalette(palette);
    m_save->setEnabled(canSave());
}

void PromptPresetEditorSheet::reject()
{
    // Cancel, Escape and the window's close button all give up; the owner closes the sheet.
    Q_EMIT cancelRequested();
}
