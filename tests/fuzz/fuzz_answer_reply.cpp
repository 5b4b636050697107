// The answer reply comes from the network: any body, success or error envelope, must decode to an
// answer or to the library's own error, never to anything else.
#include "hosted/HostedWire.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray body(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    try {
        const HostedWire::AnswerResponse reply = HostedWire::decodeAnswerResponse(body);
        if (reply.answer.isNull() || reply.provider.isNull() || reply.model.isNull())
            std::abort();
    } catch (const LibraryError &) {
    }
    if (const std::optional<QString> message = HostedWire::errorEnvelopeMessage(body)) {
        CaptureAnswerInput image;
        image.imageBase64 = QStringLiteral("AA==");
        for (const int status : {400, 422, 500})
            if (HostedWire::mapAnswerAPIError(*message, image, status).message().isEmpty() && !message->isEmpty())
                std::abort();
    }
    return 0;
}
