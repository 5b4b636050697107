#pragma once

#include "DevReply.h"
#include "DevRequest.h"

#include <functional>

class ChatCompletionForwarder;
class IdentityProvider;

// POST /ai/answer: checks the bearer token and the body, then answers through the configured
// language model or, without one, with a deterministic offline reply.
class AnswerService
{
public:
    // forwarder may be null: every answer is then made offline.
    AnswerService(const IdentityProvider &identity, ChatCompletionForwarder *forwarder);

    void handle(const DevRequest &request, const std::function<void(const DevReply &)> &respond);

private:
    const IdentityProvider &m_identity;
    ChatCompletionForwarder *m_forwarder;
};
