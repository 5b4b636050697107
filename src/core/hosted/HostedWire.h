#pragma once

#include "AIProviderError.h"
#include "models/CaptureAnswerInput.h"
#include "models/ConversationTurn.h"
#include "models/StoredPromptPreset.h"

#include <QList>
#include <QUrl>

#include <optional>

// The bodies and URLs of the hosted answer and preset requests. Encoders keep the keys in their
// fixed order and leave absent optionals out; decoders ignore members they do not know and throw
// a LibraryError for a body of the wrong shape.
namespace HostedWire {
struct AnswerResponse
{
    QString answer;
    QString provider;
    QString model;
};

inline const QString answerPath = QStringLiteral("/ai/answer");
inline const QString presetsPath = QStringLiteral("/prompt-presets");

// The base string followed directly by the path. None when it does not parse, or when it would
// send the bearer token in clear to another machine.
std::optional<QUrl> endpointURL(const QString &baseURL, const QString &path);
// The preset endpoint with its "user_id" query.
std::optional<QUrl> presetFetchURL(const QString &baseURL, const QString &userID);

// `question` is the text to send (already decorated for the language preference).
QByteArray encodeAnswerRequest(const CaptureAnswerInput &input, const QString &question,
                               const QList<ConversationTurn> &history, const QString &userID);
AnswerResponse decodeAnswerResponse(const QByteArray &body);

QByteArray encodePresetUpdate(const QString &userID, const QList<StoredPromptPreset> &presets);
QList<StoredPromptPreset> decodePresetResponse(const QByteArray &body);

// The envelope's "message" when the body is an envelope with both "error" and "message".
std::optional<QString> errorEnvelopeMessage(const QByteArray &body);

// An older backend rejects image captures by asking for the text it expected.
AIProviderError mapAnswerAPIError(const QString &message, const CaptureAnswerInput &input, int statusCode);
} // namespace HostedWire
