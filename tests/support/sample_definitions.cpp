#include "support/sample_definitions.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "definitions/cal_file.h"

namespace zvr::test {

void FillSample(DefinitionSet& set) {
    FileHeader& h = set.header;
    h.strategyName = "ZVX123";
    h.descriptions = {"ZEVAR 740 base",
                      "",
                      "rev B",
                      "\xB0"
                      "C \xE9t\xE9",
                      "",
                      "last"};
    for (size_t i = 0; i < h.reserved4.size(); ++i)
        h.reserved4[i] = static_cast<uint8_t>(1 + i);
    for (size_t i = 0; i < h.reserved31.size(); ++i) {
        h.reserved31[i] = static_cast<uint8_t>(12 + i);
    }
    h.modelKind = ClassifyStrategyName(h.strategyName);

    VariableDef rpm{.accessLevel = 1,
                    .scaling = {'U', 2, 0},
                    .ramAddress = 0x0120,
                    .name = "engine_rpm",
                    .units = "rpm"};
    VariableDef flags{.accessLevel = 0,
                      .scaling = {'$', 2, 0},
                      .ramAddress = 0x0200,
                      .name = "fault_flags",
                      .units = ""};
    set.variables.insert(rpm);
    set.variables.insert(flags);

    set.scalars.insert({.accessLevel = 2,
                        .scaling = {'U', 2, 4},
                        .eepromAddress = 0x10,
                        .fileRaw = 24,
                        .baseRaw = 16,
                        .maxRaw = 0xFFFF,
                        .minRaw = 0,
                        .baseValid = 1,
                        .menuGroup = 3,
                        .name = "SET_SPEED_1",
                        .units = "rpm"});
    set.scalars.insert({.accessLevel = 0,
                        .scaling = {'S', 1, 0},
                        .eepromAddress = 0x12,
                        .fileRaw = 0xFF,
                        .baseRaw = 0,
                        .maxRaw = 0x7F,
                        .minRaw = 0x80,
                        .baseValid = 0,
                        .menuGroup = 1,
                        .name = "DROOP",
                        .units = "NONE"});
    set.scalars.insert({.accessLevel = 9,
                        .scaling = {'$', 4, 0},
                        .eepromAddress = 0x1FE,
                        .fileRaw = 0xDEADBEEF,
                        .baseRaw = 0x12345678,
                        .maxRaw = 0xFFFFFFFF,
                        .minRaw = 0,
                        .baseValid = 255,
                        .menuGroup = 65535,
                        .name = "PASSWORD",
                        .units = ""});

    set.viewItems.append({.accessLevel = 1,
                          .listNumber = 0,
                          .scaling = {'U', 2, 0},
                          .position = 0,
                          .precision = 0,
                          .name = "engine_rpm"});
    set.viewItems.append({.accessLevel = 0,
                          .listNumber = 2,
                          .scaling = {'$', 2, 0},
                          .position = 9,
                          .precision = 3,
                          .name = "fault_flags"});

    DiagnosticDef faults{.accessLevel = 0,
                         .ramAddress = 0x0200,
                         .eepromAddress = 0x0300,
                         .flagCount = 3,
                         .bitTexts = {},
                         .name = "EE_FAULTS_1"};
    faults.bitTexts[0] = "Overspeed";
    faults.bitTexts[1] = "";
    faults.bitTexts[2] = "Pickup lost";
    set.diagnostics.append(faults);
    set.diagnostics.append({.accessLevel = 4,
                            .ramAddress = 0x0202,
                            .eepromAddress = 0x0302,
                            .flagCount = 0,
                            .bitTexts = {},
                            .name = "EE_FAULTS_2"});

    set.comments.append({.accessLevel = 0, .text = "Saved at engine 3"});
    set.comments.append({.accessLevel = 7, .text = "hello"});
}

void FillSynthetic(DefinitionSet& set, int variables, int scalars, int viewItems, int diagnostics,
                   int comments) {
    set.header.strategyName = "ZVX5BNCH";
    set.header.descriptions[0] = "synthetic strategy";
    for (int i = 0; i < variables; ++i) {
        set.variables.insert({.accessLevel = 1,
                              .scaling = {'S', 2, 4},
                              .ramAddress = static_cast<uint32_t>(0x1000 + 2 * i),
                              .name = "variable_" + std::to_string(100000 + i),
                              .units = "rpm"});
    }
    for (int i = 0; i < scalars; ++i) {
        set.scalars.insert({.accessLevel = 1,
                            .scaling = {'U', 2, 8},
                            .eepromAddress = static_cast<uint32_t>(2 * i),
                            .fileRaw = static_cast<uint32_t>(i),
                            .baseRaw = 0,
                            .maxRaw = 0xFFFF,
                            .minRaw = 0,
                            .baseValid = 1,
                            .menuGroup = static_cast<uint16_t>(i % 12),
                            .name = "SCALAR_" + std::to_string(100000 + i),
                            .units = "bar"});
    }
    for (int i = 0; i < viewItems; ++i) {
        set.viewItems.append({.accessLevel = 1,
                              .listNumber = 0,
                              .scaling = {'S', 2, 4},
                              .position = static_cast<uint8_t>(i),
                              .precision = 1,
                              .name = "variable_" + std::to_string(100000 + i)});
    }
    for (int i = 0; i < diagnostics; ++i) {
        DiagnosticDef d{.accessLevel = 0,
                        .ramAddress = static_cast<uint32_t>(0x200 + 2 * i),
                        .eepromAddress = static_cast<uint32_t>(0x300 + 2 * i),
                        .flagCount = 16,
                        .bitTexts = {},
                        .name = "EE_FAULTS_" + std::to_string(i)};
        for (int bit = 0; bit < 16; ++bit)
            d.bitTexts[bit] = "Fault " + std::to_string(bit);
        set.diagnostics.append(std::move(d));
    }
    for (int i = 0; i < comments; ++i) {
        set.comments.append({.accessLevel = 0, .text = "comment line " + std::to_string(i)});
    }
}

std::string WrittenBytes(DefinitionSet& set, const std::string& path) {
    WriteBytes(path, "");
    if (WriteCalFile(set, path, set.header.strategyName) != 0) {
        throw std::runtime_error("cannot write " + path);
    }
    return ReadBytes(path);
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

}  // namespace zvr::test
