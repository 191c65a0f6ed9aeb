#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "definitions/definition_set.h"

namespace zvr::test {

// A small strategy with every kind of record: two variables, three scalars, two view items,
// two diagnostics (one without flags) and two comments; reserved header bytes 1..23.
void FillSample(DefinitionSet& set);

// A strategy of the given size, for benchmarks and large round trips.
void FillSynthetic(DefinitionSet& set, int variables, int scalars, int viewItems, int diagnostics,
                   int comments);

// The file a set writes, as bytes.
std::string WrittenBytes(DefinitionSet& set, const std::string& path = "sample.000");
// A whole file as bytes; empty when it cannot be read.
std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);

}  // namespace zvr::test
