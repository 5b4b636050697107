// The preset reply comes from the network: any body must decode to presets or to the library's
// own error, never to anything else.
#include "hosted/HostedWire.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray body(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    try {
        for (const StoredPromptPreset &preset : HostedWire::decodePresetResponse(body)) {
            if (preset.id.isNull() || preset.prompt.isNull())
                std::abort();
        }
    } catch (const LibraryError &) {
    }
    return 0;
}
