// orvanta-cli route: one bridge output document on standard input -> the decider's metrics and
// merged regions, exactly as the understanding service would see them.
#include "CliCommands.h"
#include "CliIo.h"

#include "models/CaptureRouteSummary.h"
#include "understanding/BridgeOutputParser.h"
#include "understanding/CaptureRouteDecider.h"

QCoro::Task<int> runRouteCommand(QStringList arguments)
{
    requireArgumentCount(arguments, 0, "route < BRIDGE_OUTPUT.json");
    // Without a capture there is no image size to stand in for a missing page size.
    const PaddleOCRBridgeOutput output = BridgeOutputParser::parse(readStandardInput(), QSizeF(0, 0));
    const CaptureLayoutAnalysis analysis = CaptureRouteDecider().analyze(output.pageSize, output.regions);

    nlohmann::ordered_json metrics = CaptureRouteSummary::fromMetrics(analysis.metrics).toJson();
    metrics["filtered_region_count"] = analysis.metrics.filteredRegionCount;
    nlohmann::ordered_json merged = nlohmann::ordered_json::array();
    for (const LayoutRegion &region : analysis.mergedRegions) {
        const QRectF &box = region.boundingBox;
        merged.push_back({{"type", rawValue(region.type).toStdString()},
                          {"score", region.score},
                          {"x", box.x()},
                          {"y", box.y()},
                          {"width", box.width()},
                          {"height", box.height()}});
    }
    printJson({{"metrics", metrics}, {"merged_regions", merged}});
    co_return 0;
}
