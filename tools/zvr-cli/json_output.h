#pragma once

#include <nlohmann/json.hpp>
#include <string_view>

#include "definitions/scaling.h"

namespace zvr::cli {

struct CommandContext;

// zvr-cli's --json output: one JSON object per command run, on one line, UTF-8, built as
// values (numbers are numbers). Its "format" field is the version of the shapes described in
// the README and zvr-cli(1); a change a reader must know of raises it.
inline constexpr int kJsonFormat = 1;

// An object with the format field, to which a command adds its own.
nlohmann::ordered_json JsonResult();
// A core text (Latin-1) as a JSON string.
nlohmann::ordered_json JsonString(std::string_view latin1);
// A path as the file system has it: UTF-8 as it is, other bytes read as Latin-1.
nlohmann::ordered_json JsonPathString(std::string_view path);
// A value as a number: the engineering value its scaling gives, with the decimals it is
// shown with (an integer when it has none); a hex or binary value as its raw number.
nlohmann::ordered_json JsonNumber(uint32_t raw, const ScalingSpec& spec);
// Prints the result on the command's standard output, one line.
void PrintJson(CommandContext& context, const nlohmann::ordered_json& result);

}  // namespace zvr::cli
