// Feeds arbitrary bytes to the bridge output parser, and whatever it accepts to the route
// decider, as `orvanta-cli route` does with a bridge's standard output.
#include "support/OrvantaError.h"
#include "understanding/BridgeOutputParser.h"
#include "understanding/CaptureRouteDecider.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    try {
        const PaddleOCRBridgeOutput output = BridgeOutputParser::parse(input, QSizeF(1280, 720));
        const CaptureLayoutAnalysis analysis = CaptureRouteDecider().analyze(output.pageSize, output.regions);
        if (analysis.metrics.filteredRegionCount > output.regions.size())
            __builtin_trap();
    } catch (const OrvantaError &) {
        // Rejected input is the expected outcome for most of it.
    }
    return 0;
}
