#include "definitions/text_report.h"

#include <cstdarg>
#include <cstdio>
#include <memory>

#include "definitions/definition_set.h"

namespace zvr {

namespace {

constexpr const char* kStars = "********************************************\r\n";

// Writes report lines; remembers whether any write failed since the section began.
class ReportWriter {
public:
    explicit ReportWriter(std::FILE* file) : file_(file) {}

    void text(std::string_view text) {
        if (std::fwrite(text.data(), 1, text.size(), file_) != text.size()) {
            failed_ = true;
        }
    }

    __attribute__((format(printf, 2, 3))) void line(const char* pattern, ...) {
        std::va_list args;
        va_start(args, pattern);
        std::va_list again;
        va_copy(again, args);
        const int length = std::vsnprintf(nullptr, 0, pattern, args);
        va_end(args);
        std::string out(static_cast<size_t>(std::max(length, 0)), '\0');
        std::vsnprintf(out.data(), out.size() + 1, pattern, again);
        va_end(again);
        text(out);
    }

    void beginSection(const char* title) {
        failed_ = false;
        text(kStars);
        text(title);
        text(kStars);
    }

    // The section's result: a write that failed anywhere in it, or in flushing it, is -1.
    int endSection() {
        if (std::fflush(file_) != 0) {
            failed_ = true;
        }
        return failed_ ? -1 : 0;
    }

private:
    std::FILE* file_;
    bool failed_ = false;
};

int HeaderSection(ReportWriter& out, const FileHeader& header) {
    out.beginSection("File Header Information\r\n");
    out.line("Name='%s'\r\n", header.strategyName.c_str());
    for (int i = 0; i < 6; ++i) {
        out.line("Description %d = '%s'\r\n", i, header.descriptions[i].c_str());
    }
    const SectionCounts& c = header.counts;
    const std::pair<const char*, int> counts[] = {
        {"number_of_variables", c.number_of_variables},
        {"number_of_scalars", c.number_of_scalars},
        {"number_of_view_items", c.number_of_view_items},
        {"number_of_functions", c.number_of_functions},
        {"number_of_tables", c.number_of_tables},
        {"number_of_diagnostics", c.number_of_diagnostics},
        {"number_of_eol_programs", c.number_of_eol_programs},
        {"number_of_comments", c.number_of_comments},
    };
    for (const auto& [name, value] : counts) {
        out.line("%-30s%d\r\n", name, value);
    }
    return out.endSection();
}

int VariableSection(ReportWriter& out, const DefinitionSet& set) {
    out.beginSection("Variable List\r\n");
    out.line("%-30s   AL  Type Size BPnt   ADDR UNITS\r\n", "NAME");
    for (const auto& v : set.variables.entries()) {
        out.line("%-30s %3d %4c %4d %4d   0x%04X %s\r\n", v->name.c_str(), v->accessLevel,
                 v->scaling.type, v->scaling.size, v->scaling.binaryPoint, v->ramAddress,
                 v->units.c_str());
    }
    return out.endSection();
}

int CommentSection(ReportWriter& out, const DefinitionSet& set) {
    out.beginSection("Comments\r\n");
    out.line("%5s %s\r\n", "AL", "COMMENT:");
    for (const auto& comment : set.comments.entries()) {
        out.line("%5d %s\r\n", comment->accessLevel, comment->text.c_str());
    }
    return out.endSection();
}

int ScalarSection(ReportWriter& out, const DefinitionSet& set, bool full) {
    out.beginSection("Scalar List\r\n");
    if (full) {
        out.line("%-25s%6s%6s%6s%10s%10s%10s%10s%10s%10s%12s%10s\r\n", "NAME", "TYPE", "SIZE",
                 "BPt", "ADDR", "UNITS", "FileCal", "BaseCal", "MAX Val", "MIN Val", "Base Valid",
                 "Menu");
    } else {
        out.line("%-25s%10s%10s\r\n", "NAME", "VALUE", "UNITS");
    }
    for (const auto& s : set.scalars.entries()) {
        if (full) {
            out.line(
                "%-25s%6c%6d%6d    0x%04X%10s    0x%04X    0x%04X    0x%04X    0x%04X%12d%10d"
                "\r\n",
                s->name.c_str(), s->scaling.type, s->scaling.size, s->scaling.binaryPoint,
                s->eepromAddress, s->units.c_str(), s->fileRaw, s->baseRaw, s->maxRaw, s->minRaw,
                s->baseValid, s->menuGroup);
        } else {
            out.line("%-25s%10s%10s\r\n", s->name.c_str(), formatDefValue(*s, s->fileRaw).c_str(),
                     s->units.c_str());
        }
    }
    return out.endSection();
}

int ViewItemSection(ReportWriter& out, const DefinitionSet& set) {
    out.beginSection("View Items\r\n");
    out.line("%-30s%5s%6s%6s%6s%10s%12s%10s\r\n", "NAME", "AL", "Type", "Size", "BpPt", "View Num",
             "Precision", "View Pos");
    for (const auto& item : set.viewItems.entries()) {
        out.line("%-30s%5d%6c%6d%6d%10d%12d%10d\r\n", item->name.c_str(), item->accessLevel,
                 item->scaling.type, item->scaling.size, item->scaling.binaryPoint,
                 item->listNumber, item->precision, item->position);
    }
    return out.endSection();
}

int DiagnosticSection(ReportWriter& out, const DefinitionSet& set) {
    out.beginSection("Diagnostic Items\r\n");
    out.line("%-30s%10s%10s%10s%10s\r\n", "NAME", "AL", "Ram Addr", "EE Addr", "Num Flags");
    for (const auto& d : set.diagnostics.entries()) {
        out.line("%-30s%10d    0x%04X    0x%04X%10d\r\n", d->name.c_str(), d->accessLevel,
                 d->ramAddress, d->eepromAddress, d->flagCount);
        const int flags = std::min<int>(d->flagCount, DiagnosticDef::kMaxFlags);
        for (int bit = 0; bit < flags; ++bit) {
            out.line("Bit%-3d='%s'\r\n", bit, d->bitTexts[bit].c_str());
        }
    }
    return out.endSection();
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

int writeTextReport(DefinitionSet& set, const std::string& path,
                    std::optional<std::string_view> leadingText, bool full) {
    std::unique_ptr<std::FILE, FileCloser> file{std::fopen(path.c_str(), "ab")};
    if (!file) {
        return -1;
    }
    set.refreshCounts();
    ReportWriter out(file.get());
    if (leadingText) {
        out.text(*leadingText);
    }
    int result = out.endSection();
    if (full && result == 0) result = HeaderSection(out, set.header);
    if (full && result == 0) result = VariableSection(out, set);
    if (result == 0) result = CommentSection(out, set);
    if (result == 0) result = ScalarSection(out, set, full);
    if (full && result == 0) result = ViewItemSection(out, set);
    if (full && result == 0) result = DiagnosticSection(out, set);
    out.text(result == 0 ? "***END OF FILE***" : "***END OF FILE - THERE WERE ERRORS WRITING***");
    if (out.endSection() != 0 || std::fclose(file.release()) != 0) {
        result = -1;
    }
    return result;
}

}  // namespace zvr
