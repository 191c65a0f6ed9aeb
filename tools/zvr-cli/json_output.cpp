#include "json_output.h"

#include <cmath>
#include <ostream>

#include "command.h"
#include "common/numbers.h"
#include "strategy/strategy_source.h"  // Latin1ToUtf8

namespace zvr::cli {

nlohmann::ordered_json JsonResult() { return {{"format", kJsonFormat}}; }

nlohmann::ordered_json JsonString(std::string_view latin1) { return Latin1ToUtf8(latin1); }

nlohmann::ordered_json JsonPathString(std::string_view path) {
    nlohmann::ordered_json text = std::string(path);
    try {
        text.dump(-1, ' ', false, nlohmann::json::error_handler_t::strict);
        return text;
    } catch (const nlohmann::json::type_error&) {  // not UTF-8
        return JsonString(path);
    }
}

nlohmann::ordered_json JsonNumber(uint32_t raw, const ScalingSpec& spec) {
    if (spec.type != 'S' && spec.type != 'U') return raw;
    const int decimals = DecimalsForBinaryPoint(spec.binaryPoint);
    const double value = RawToEng(raw, spec);
    if (decimals == 0) return static_cast<int64_t>(std::llround(value));
    // The number as shown, so that 0.1 reads 0.1 and not the nearest binary fraction's digits.
    return ParsePlainDecimal(FormatFixed(value, decimals)).value_or(value);
}

void PrintJson(CommandContext& context, const nlohmann::ordered_json& result) {
    context.out << result.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

}  // namespace zvr::cli
