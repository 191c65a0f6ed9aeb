#include "definitions/cal_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <new>

#include "common/regular_file.h"
#include "common/user_prompt.h"
#include "definitions/definition_set.h"

namespace zvr {

namespace {

constexpr size_t kHeaderSize = 50;
constexpr size_t kVariableSize = 16;
constexpr size_t kScalarSize = 35;
constexpr size_t kViewItemSize = 14;
constexpr size_t kDiagnosticSize = 48;
constexpr size_t kCommentSize = 7;

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
ScalingSpec Scaling(const uint8_t* p) {
    return {static_cast<char>(p[0]), static_cast<int16_t>(U16(p + 1)), static_cast<int8_t>(p[3])};
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Sequential reads that know the offset they are at.
class CalFileReader {
public:
    explicit CalFileReader(std::FILE* file) : file_(file) {}

    uint64_t offset() const { return offset_; }

    bool read(uint8_t* data, size_t size) {
        const size_t got = std::fread(data, 1, size, file_);
        offset_ += got;
        return got == size;
    }

    bool readString(size_t length, std::string& out) {
        out.resize(length);
        return read(reinterpret_cast<uint8_t*>(out.data()), length);
    }

    // Reads a fixed block that must start with its own file offset.
    template <size_t N>
    bool readBlock(std::array<uint8_t, N>& block) {
        const uint64_t start = offset_;
        return read(block.data(), N) && U32(block.data()) == start;
    }

private:
    std::FILE* file_;
    uint64_t offset_ = 0;
};

int ReadHeader(CalFileReader& in, FileHeader& header) {
    std::array<uint8_t, kHeaderSize> block;
    if (!in.readBlock(block)) {
        return -2;
    }
    std::copy_n(block.begin() + 4, header.reserved4.size(), header.reserved4.begin());
    std::copy_n(block.begin() + 31, header.reserved31.size(), header.reserved31.begin());
    SectionCounts& c = header.counts;
    c.number_of_variables = U16(&block[15]);
    c.number_of_scalars = U16(&block[17]);
    c.number_of_view_items = U16(&block[19]);
    c.number_of_functions = U16(&block[21]);
    c.number_of_tables = U16(&block[23]);
    c.number_of_diagnostics = U16(&block[25]);
    c.number_of_eol_programs = U16(&block[27]);
    c.number_of_comments = U16(&block[29]);
    if (!in.readString(block[49], header.strategyName)) {
        return -2;
    }
    header.modelKind = ClassifyStrategyName(header.strategyName);
    size_t total = 0;
    for (int i = 0; i < 6; ++i) {
        total += block[43 + i];
    }
    std::string run;
    if (!in.readString(total, run)) {
        return -2;
    }
    size_t at = 0;
    for (int i = 0; i < 6; ++i) {
        header.descriptions[i] = run.substr(at, block[43 + i]);
        at += block[43 + i];
    }
    return 0;
}

int ReadVariables(CalFileReader& in, int count, DefinitionSet& set) {
    for (int i = 0; i < count; ++i) {
        std::array<uint8_t, kVariableSize> block;
        VariableDef def;
        if (!in.readBlock(block) || !in.readString(block[14], def.name) ||
            !in.readString(block[15], def.units)) {
            return -2;
        }
        def.accessLevel = block[5];
        def.scaling = Scaling(&block[6]);
        def.ramAddress = U32(&block[10]);
        set.variables.insert(std::move(def));  // a repeated name keeps the first
    }
    return 0;
}

int ReadScalars(CalFileReader& in, int count, DefinitionSet& set) {
    for (int i = 0; i < count; ++i) {
        std::array<uint8_t, kScalarSize> block;
        ScalarDef def;
        if (!in.readBlock(block) || !in.readString(block[31], def.name) ||
            !in.readString(block[32], def.units)) {
            return -2;
        }
        def.accessLevel = block[5];
        def.scaling = Scaling(&block[6]);
        def.eepromAddress = U32(&block[10]);
        def.fileRaw = U32(&block[14]);
        def.baseRaw = U32(&block[18]);
        def.maxRaw = U32(&block[22]);
        def.minRaw = U32(&block[26]);
        def.baseValid = block[30];
        def.menuGroup = U16(&block[33]);
        set.scalars.insert(std::move(def));  // a repeated name keeps the first
    }
    return 0;
}

int ReadViewItems(CalFileReader& in, int count, DefinitionSet& set) {
    for (int i = 0; i < count; ++i) {
        std::array<uint8_t, kViewItemSize> block;
        ViewItemDef def;
        if (!in.readBlock(block) || !in.readString(block[13], def.name)) {
            return -2;
        }
        def.accessLevel = block[5];
        def.listNumber = block[6];
        def.scaling = Scaling(&block[7]);
        def.position = block[11];
        def.precision = block[12];
        set.viewItems.append(std::move(def));
    }
    return 0;
}

int ReadDiagnostics(CalFileReader& in, int count, DefinitionSet& set) {
    for (int i = 0; i < count; ++i) {
        std::array<uint8_t, kDiagnosticSize> block;
        DiagnosticDef def;
        // A flag word has 32 bits and the block 32 text lengths: a larger count is corrupt.
        if (!in.readBlock(block) || block[14] > DiagnosticDef::kMaxFlags ||
            !in.readString(block[47], def.name)) {
            return -2;
        }
        def.accessLevel = block[5];
        def.ramAddress = U32(&block[6]);
        def.eepromAddress = U32(&block[10]);
        def.flagCount = block[14];
        for (int bit = 0; bit < def.flagCount; ++bit) {
            if (!in.readString(block[15 + bit], def.bitTexts[bit])) {
                return -2;
            }
        }
        set.diagnostics.append(std::move(def));
    }
    return 0;
}

int ReadComments(CalFileReader& in, int count, DefinitionSet& set) {
    for (int i = 0; i < count; ++i) {
        const uint64_t start = in.offset();
        std::array<uint8_t, kCommentSize> block;
        if (!in.read(block.data(), block.size())) {
            return -3;
        }
        if (U32(block.data()) != start) {
            return -2;
        }
        CommentDef def;
        def.accessLevel = block[5];
        try {
            if (!in.readString(block[6], def.text)) {
                return -5;
            }
            set.comments.append(std::move(def));
        } catch (const std::bad_alloc&) {
            return -4;
        }
    }
    return 0;
}

void ReportUnsupported(UserPrompt& prompt, const char* what) {
    prompt.plain(std::string("This version does not support cal files with ") + what);
}

int ReadSections(CalFileReader& in, DefinitionSet& set, UserPrompt& prompt) {
    const SectionCounts& c = set.header.counts;
    try {
        if (int result = ReadHeader(in, set.header); result != 0) return result;
        if (int result = ReadVariables(in, c.number_of_variables, set); result != 0) return result;
        if (int result = ReadScalars(in, c.number_of_scalars, set); result != 0) return result;
        if (int result = ReadViewItems(in, c.number_of_view_items, set); result != 0) return result;
        if (c.number_of_functions != 0) {
            ReportUnsupported(prompt, "FUNCTIONS");
            return -2;
        }
        if (c.number_of_tables != 0) {
            ReportUnsupported(prompt, "TABLES");
            return -3;
        }
        if (int result = ReadDiagnostics(in, c.number_of_diagnostics, set); result != 0) {
            return result;
        }
        if (c.number_of_eol_programs != 0) {
            ReportUnsupported(prompt, "EOL PROGRAMS");
            return -2;
        }
    } catch (const std::bad_alloc&) {
        return -3;
    }
    return ReadComments(in, c.number_of_comments, set);
}

// Builds the file image in memory; written in one go.
class CalFileImage {
public:
    std::string bytes;

    void u8(uint8_t v) { bytes.push_back(static_cast<char>(v)); }
    void u16(uint16_t v) {
        u8(static_cast<uint8_t>(v));
        u8(static_cast<uint8_t>(v >> 8));
    }
    void u32(uint32_t v) {
        u16(static_cast<uint16_t>(v));
        u16(static_cast<uint16_t>(v >> 16));
    }
    void scaling(ScalingSpec s) {
        u8(static_cast<uint8_t>(s.type));
        u16(static_cast<uint16_t>(s.size));
        u8(static_cast<uint8_t>(s.binaryPoint));
    }
    // A block starts with its own offset, then the reserved byte 0.
    void blockStart() {
        u32(static_cast<uint32_t>(bytes.size()));
        u8(0);
    }
    // WriteCalFile refuses a set with a longer string (DefinitionSet::overLimit()); the
    // length byte is never wrapped.
    static uint8_t length(const std::string& s) { return static_cast<uint8_t>(s.size()); }
    void text(const std::string& s) { bytes.append(s, 0, length(s)); }
};

void WriteHeader(CalFileImage& out, const FileHeader& header) {
    out.u32(static_cast<uint32_t>(out.bytes.size()));
    for (uint8_t b : header.reserved4)
        out.u8(b);
    const SectionCounts& c = header.counts;
    for (uint16_t count : {c.number_of_variables, c.number_of_scalars, c.number_of_view_items,
                           c.number_of_functions, c.number_of_tables, c.number_of_diagnostics,
                           c.number_of_eol_programs, c.number_of_comments}) {
        out.u16(count);
    }
    for (uint8_t b : header.reserved31)
        out.u8(b);
    for (const std::string& description : header.descriptions)
        out.u8(out.length(description));
    out.u8(out.length(header.strategyName));
    out.text(header.strategyName);
    for (const std::string& description : header.descriptions)
        out.text(description);
}

void WriteRecords(CalFileImage& out, const DefinitionSet& set) {
    for (const auto& v : set.variables.entries()) {
        out.blockStart();
        out.u8(v->accessLevel);
        out.scaling(v->scaling);
        out.u32(v->ramAddress);
        out.u8(out.length(v->name));
        out.u8(out.length(v->units));
        out.text(v->name);
        out.text(v->units);
    }
    for (const auto& s : set.scalars.entries()) {
        out.blockStart();
        out.u8(s->accessLevel);
        out.scaling(s->scaling);
        for (uint32_t word : {s->eepromAddress, s->fileRaw, s->baseRaw, s->maxRaw, s->minRaw}) {
            out.u32(word);
        }
        out.u8(s->baseValid);
        out.u8(out.length(s->name));
        out.u8(out.length(s->units));
        out.u16(s->menuGroup);
        out.text(s->name);
        out.text(s->units);
    }
    for (const auto& item : set.viewItems.entries()) {
        out.blockStart();
        out.u8(item->accessLevel);
        out.u8(item->listNumber);
        out.scaling(item->scaling);
        out.u8(item->position);
        out.u8(item->precision);
        out.u8(out.length(item->name));
        out.text(item->name);
    }
    for (const auto& d : set.diagnostics.entries()) {
        const int flags = std::min<int>(d->flagCount, DiagnosticDef::kMaxFlags);
        out.blockStart();
        out.u8(d->accessLevel);
        out.u32(d->ramAddress);
        out.u32(d->eepromAddress);
        out.u8(static_cast<uint8_t>(flags));
        for (int bit = 0; bit < DiagnosticDef::kMaxFlags; ++bit) {
            out.u8(bit < flags ? out.length(d->bitTexts[bit]) : 0);
        }
        out.u8(out.length(d->name));
        out.text(d->name);
        for (int bit = 0; bit < flags; ++bit)
            out.text(d->bitTexts[bit]);
    }
    for (const auto& comment : set.comments.entries()) {
        out.blockStart();
        out.u8(comment->accessLevel);
        out.u8(out.length(comment->text));
        out.text(comment->text);
    }
}

bool WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

int LoadCalFile(DefinitionSet& set, const std::string& path, UserPrompt& prompt) {
    int result = -1;
    if (std::unique_ptr<std::FILE, FileCloser> file{OpenRegularFile(path)}) {
        set.clear();
        CalFileReader in(file.get());
        result = ReadSections(in, set, prompt);
    }
    if (result == 0) {
        set.filePath = path;
    }
    FileNameModel model;
    if (ModelFromFileName(set.filePath, model)) {
        set.fileModelName = model.modelName;
        set.fileStrategy = model.strategy;
    }
    return result;
}

int CalFileBytes(DefinitionSet& set, const std::string& strategyName, std::string& bytes) {
    if (set.overLimit()) return -2;  // a count or a length would wrap: the file would lie
    set.refreshCounts();
    set.header.strategyName = strategyName;
    CalFileImage image;
    try {
        WriteHeader(image, set.header);
        WriteRecords(image, set);
    } catch (const std::bad_alloc&) {
        return -1;
    }
    bytes = std::move(image.bytes);
    return 0;
}

int WriteCalFile(DefinitionSet& set, const std::string& path, const std::string& strategyName) {
    CalFileImage image;
    if (const int result = CalFileBytes(set, strategyName, image.bytes); result != 0) {
        return result;
    }
    // The caller created the file; a path that does not exist is an error, not a new file.
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    bool ok = WriteAll(fd, image.bytes);
    ok = (::fsync(fd) == 0 || errno == EINVAL) && ok;
    ok = ::close(fd) == 0 && ok;
    return ok ? 0 : -1;
}

bool HasCalFileEnding(std::string_view path) {
    if (path.size() < 3) return false;
    std::string ending(path.substr(path.size() - 3));
    for (char& c : ending)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return ending == "000" || ending == "ZVR" || ending == "CFG";
}

}  // namespace zvr
