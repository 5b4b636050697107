#include "CaptureRouteSummary.h"

CaptureRouteSummary CaptureRouteSummary::fromMetrics(const CaptureLayoutMetrics &m)
{
    return {m.textLikeRatio,   m.nonTextRatio, m.meaningfulTable, m.meaningfulChart,      m.meaningfulFormula,
            m.meaningfulImage, m.multiColumn,  m.cardLikeLayout,  m.unstableReadingOrder, m.safeText};
}

nlohmann::ordered_json CaptureRouteSummary::toJson() const
{
    nlohmann::ordered_json json = nlohmann::ordered_json::object();
    json["text_like_ratio"] = textLikeRatio;
    json["non_text_ratio"] = nonTextRatio;
    json["meaningful_table"] = meaningfulTable;
    json["meaningful_chart"] = meaningfulChart;
    json["meaningful_formula"] = meaningfulFormula;
    json["meaningful_image"] = meaningfulImage;
    json["multi_column"] = multiColumn;
    json["card_like_layout"] = cardLikeLayout;
    json["unstable_reading_order"] = unstableReadingOrder;
    json["safe_text"] = safeText;
    return json;
}
