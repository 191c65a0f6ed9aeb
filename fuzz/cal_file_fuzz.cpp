// Loads arbitrary bytes as a cal file; anything that loads is written and loaded again and
// must give the same bytes.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "common/user_prompt.h"
#include "definitions/cal_file.h"
#include "definitions/definition_set.h"
#include "definitions/text_report.h"

namespace {

class SilentPrompt : public zvr::UserPrompt {
public:
    zvr::PromptAnswer show(const zvr::PromptMessage&) override { return zvr::PromptAnswer::Ok; }
    std::optional<std::string> chooseFile(const zvr::FileChoice&) override { return {}; }
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string base = "/tmp/zvr-fuzz-" + std::to_string(getpid());
    SilentPrompt prompt;
    WriteFile(base + ".in", data, size);
    zvr::DefinitionSet set;
    if (zvr::LoadCalFile(set, base + ".in", prompt) != 0) {
        return 0;
    }
    WriteFile(base + ".out", nullptr, 0);
    if (zvr::WriteCalFile(set, base + ".out", set.header.strategyName) != 0) __builtin_trap();
    const std::string first = ReadFile(base + ".out");
    zvr::DefinitionSet again;
    if (zvr::LoadCalFile(again, base + ".out", prompt) != 0) __builtin_trap();
    WriteFile(base + ".out", nullptr, 0);
    if (zvr::WriteCalFile(again, base + ".out", again.header.strategyName) != 0) __builtin_trap();
    if (ReadFile(base + ".out") != first) __builtin_trap();
    WriteFile(base + ".txt", nullptr, 0);
    zvr::writeTextReport(again, base + ".txt", std::nullopt, true);
    return 0;
}
