// report: the definition text report of a cal file, as "Convert Cal File to Text" writes it.

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <ostream>

#include "command.h"
#include "commands.h"
#include "common/replacing_file.h"
#include "definitions/definition_set.h"
#include "definitions/text_report.h"
#include "input_files.h"

namespace zvr::cli {

namespace {

// The heading "Convert Cal File to Text" writes when no comments are entered.
std::string LeadingText(const DefinitionSet& set, const std::string& path) {
    return "\r\nModel    : " + set.fileModelName + "\r\nStrategy : " + set.fileStrategy +
           "\r\n\r\nValues converted from file : " + path + "\r\n\r\n";
}

// The report writer appends to a file; for standard output it writes to a temporary file that
// is then copied out: as its bytes, or on a terminal in the terminal's encoding.
bool ReportToStream(DefinitionSet& set, const std::string& leading, bool full, std::ostream& out,
                    const LocaleText* terminal) {
    std::error_code error;
    std::string path = (std::filesystem::temp_directory_path(error) / "zvr-report-XXXXXX").string();
    const int fd = error ? -1 : ::mkstemp(path.data());
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    bool ok = writeTextReport(set, path, leading, full) == 0;
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        char buffer[65536];
        size_t got;
        std::string text;
        while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
            if (terminal != nullptr) {
                text.append(buffer, got);
            } else {
                out.write(buffer, static_cast<std::streamsize>(got));
            }
        }
        if (terminal != nullptr) out << terminal->shown(text);
        std::fclose(file);
    } else {
        ok = false;
    }
    std::remove(path.c_str());
    out.flush();
    return ok && out.good();
}

}  // namespace

int RunReport(CommandContext& context, std::span<const std::string> args) {
    Arguments parsed;
    if (auto error = parsed.parse(args, {"--help", "--full"}, {"-o"})) {
        return context.fail("report", kExitUsage, *error);
    }
    if (parsed.positional.size() != 1) {
        return context.fail("report", kExitUsage, "needs exactly one cal file");
    }
    const std::string& path = parsed.positional[0];
    DefinitionSet set;
    if (int code = LoadCalFileFor(context, "report", path, set); code != kExitOk) {
        return code;
    }
    const std::string leading = LeadingText(set, path);
    const bool full = parsed.has("--full");
    if (const std::string* output = parsed.value("-o")) {
        // The report writer appends: it writes into a new temporary file, which replaces an
        // old report only once it is complete.
        ReplacingFile file(*output);
        if (!file.open() || !file.Fill([&](const std::string& temporary) {
                return writeTextReport(set, temporary, leading, full) == 0;
            }) ||
            !file.commit()) {
            return context.fail("report", kExitUsage, *output + ": " + file.failure());
        }
        return kExitOk;
    }
    if (!ReportToStream(set, leading, full, context.out,
                        context.outIsTerminal ? &context.locale : nullptr)) {
        return context.fail("report", kExitUsage, "the report could not be written");
    }
    return kExitOk;
}

}  // namespace zvr::cli
