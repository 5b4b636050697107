// Identity tokens come from the network: any bytes must end in claims or a thrown error.
#include "auth/JWTClaims.h"
#include "support/OrvantaError.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString token = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    try {
        JWTClaims::decode(token);
    } catch (const OrvantaError &) {
    }
    return 0;
}
