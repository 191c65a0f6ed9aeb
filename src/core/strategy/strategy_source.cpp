#include "strategy/strategy_source.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <stdexcept>

#include "common/numbers.h"
#include "definitions/definition_set.h"

namespace zvr {

namespace {

using Json = nlohmann::ordered_json;

// Bases may extend bases; a chain this deep is a loop.
constexpr int kMaxBaseDepth = 8;
constexpr size_t kMaxStringBytes = 255;

// Thrown inside this file only; the public functions turn it into a result.
struct SourceFault : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void Fail(const std::string& where, const std::string& what) {
    throw SourceFault(where.empty() ? what : where + ": " + what);
}

// ---- Latin-1 text ---------------------------------------------------------------------

std::string Latin1Field(const Json& value, const std::string& where) {
    if (!value.is_string()) {
        Fail(where, "must be a string");
    }
    std::string bytes;
    if (!Utf8ToLatin1(value.get_ref<const std::string&>(), bytes)) {
        Fail(where, "holds a character above U+00FF; cal-file text is single-byte");
    }
    if (bytes.size() > kMaxStringBytes) {
        Fail(where, "is " + std::to_string(bytes.size()) + " bytes long; the most is 255");
    }
    return bytes;
}

// ---- numbers --------------------------------------------------------------------------

int64_t IntegerField(const Json& value, const std::string& where, int64_t lowest, int64_t highest) {
    int64_t number = 0;
    if (value.is_number_unsigned()) {
        const uint64_t u = value.get<uint64_t>();
        number = u > static_cast<uint64_t>(highest) ? highest + 1 : static_cast<int64_t>(u);
    } else if (value.is_number_integer()) {
        number = value.get<int64_t>();
    } else {
        Fail(where, "must be a whole number");
    }
    if (number < lowest || number > highest) {
        Fail(where,
             "must lie between " + std::to_string(lowest) + " and " + std::to_string(highest));
    }
    return number;
}

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

uint64_t HexValue(std::string_view digits) {
    uint64_t value = 0;
    for (char c : digits) {
        const int digit = c <= '9' ? c - '0' : (c & ~0x20) - 'A' + 10;
        value = value << 4 | static_cast<uint64_t>(digit);
    }
    return value;
}

// Addresses: an integer, or "0x" and up to eight hexadecimal digits.
uint32_t AddressField(const Json& value, const std::string& where) {
    if (value.is_string()) {
        const std::string& text = value.get_ref<const std::string&>();
        const std::string_view digits =
            std::string_view(text).substr(std::min<size_t>(2, text.size()));
        if (text.size() < 3 || text.size() > 10 || text[0] != '0' ||
            (text[1] != 'x' && text[1] != 'X') ||
            !std::all_of(digits.begin(), digits.end(), IsHexDigit)) {
            Fail(where, "must be a number or \"0x\" and up to eight hexadecimal digits");
        }
        return static_cast<uint32_t>(HexValue(digits));
    }
    return static_cast<uint32_t>(IntegerField(value, where, 0, 0xFFFFFFFF));
}

bool IsDecimalText(std::string_view text) {
    size_t i = text.starts_with('-') || text.starts_with('+') ? 1 : 0;
    const size_t intStart = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9')
        ++i;
    if (i == intStart) {
        return false;
    }
    if (i < text.size() && text[i] == '.') {
        const size_t fractionStart = ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
            ++i;
        if (i == fractionStart) {
            return false;
        }
    }
    return i == text.size();
}

bool IsStandardSize(int16_t size) { return size == 1 || size == 2 || size == 4; }

// The raw value of a text in the scalar's own units; a fault naming the reason when the text
// does not give one raw value exactly.
uint32_t RawFromText(const std::string& text, ScalingSpec spec, const std::string& where) {
    if (!IsStandardSize(spec.size)) {
        Fail(where, "a value in units needs size 1, 2 or 4; give the raw integer");
    }
    const uint32_t mask = RawMask(spec.size);
    switch (spec.type) {
        case 'S':
        case 'U': {
            if (!IsDecimalText(text)) {
                Fail(where, "\"" + text + "\" is not a decimal number");
            }
            const double value = ParseDecimal(text);
            if (CheckRange(value, spec) != 0) {
                Fail(where,
                     text + " is outside what the scaling can hold (" +
                         FormatFixed(MinEng(spec), DecimalsForBinaryPoint(spec.binaryPoint)) +
                         " to " +
                         FormatFixed(MaxEng(spec), DecimalsForBinaryPoint(spec.binaryPoint)) + ")");
            }
            const uint32_t raw = EngToRaw(value, spec);
            if (RawToEng(raw, spec) != value) {
                Fail(where,
                     text + " cannot be held exactly with binary point " +
                         std::to_string(spec.binaryPoint) + "; nearest is " +
                         FormatFixed(RawToEng(raw, spec), std::max<int>(spec.binaryPoint, 0)));
            }
            return raw;
        }
        case '$': {
            const std::string_view digits =
                std::string_view(text).substr(text.starts_with('$') ? 1 : 0);
            if (digits.empty() || digits.size() > 8 ||
                !std::all_of(digits.begin(), digits.end(), IsHexDigit)) {
                Fail(where, "\"" + text + "\" is not \"$\" and hexadecimal digits");
            }
            const uint64_t raw = HexValue(digits);
            if (raw > mask) {
                Fail(where, text + " does not fit " + std::to_string(spec.size) + " bytes");
            }
            return static_cast<uint32_t>(raw);
        }
        case 'B': {
            if (text.empty() || text.size() > 32 ||
                text.find_first_not_of("01") != std::string::npos) {
                Fail(where, "\"" + text + "\" is not binary digits");
            }
            uint64_t raw = 0;
            for (char c : text)
                raw = raw << 1 | static_cast<uint64_t>(c - '0');
            if (raw > mask) {
                Fail(where, text + " does not fit " + std::to_string(spec.size) + " bytes");
            }
            return static_cast<uint32_t>(raw);
        }
        default:
            Fail(where, "scaling type '" + std::string(1, spec.type) +
                            "' has no units; give the raw integer");
    }
}

uint32_t RawValueField(const Json& value, ScalingSpec spec, const std::string& where) {
    if (value.is_string()) {
        return RawFromText(value.get_ref<const std::string&>(), spec, where);
    }
    return static_cast<uint32_t>(IntegerField(value, where, 0, 0xFFFFFFFF));
}

// The text WriteStrategySource puts for a raw value, when that text reads back to exactly
// the same raw value; otherwise the raw integer.
Json SourceValue(uint32_t raw, ScalingSpec spec) {
    if (!IsStandardSize(spec.size) || (raw & RawMask(spec.size)) != raw) {
        return raw;
    }
    std::string text;
    switch (spec.type) {
        case 'S':
        case 'U':
            if (spec.binaryPoint > 30) return raw;
            text = FormatFixed(RawToEng(raw, spec), std::max<int>(spec.binaryPoint, 0));
            // "1.5", not "1.5000": the same number, easier to read.
            if (text.find('.') != std::string::npos) {
                text.erase(text.find_last_not_of('0') + 1);
                if (text.back() == '.') text.pop_back();
            }
            break;
        case '$':
        case 'B':
            text = FormatValue(raw, spec);
            break;
        default:
            return raw;
    }
    try {
        if (RawFromText(text, spec, {}) == raw) {
            return text;
        }
    } catch (const SourceFault&) {
    }
    return raw;
}

std::string HexBytes(const uint8_t* bytes, size_t count) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 15];
    }
    return text;
}

template <size_t N>
void ReadHexBytes(const Json& value, std::array<uint8_t, N>& bytes, const std::string& where) {
    if (!value.is_string() || value.get_ref<const std::string&>().size() != 2 * N ||
        !std::all_of(value.get_ref<const std::string&>().begin(),
                     value.get_ref<const std::string&>().end(), IsHexDigit)) {
        Fail(where, "must be " + std::to_string(2 * N) + " hexadecimal digits");
    }
    const std::string& text = value.get_ref<const std::string&>();
    for (size_t i = 0; i < N; ++i) {
        bytes[i] = static_cast<uint8_t>(HexValue(std::string_view(text).substr(2 * i, 2)));
    }
}

// ---- records --------------------------------------------------------------------------

// Reads the fields of one JSON object and refuses fields it does not know, so that a
// misspelt field is an error instead of a silently missing value.
class Fields {
public:
    Fields(const Json& object, std::string where) : object_(object), where_(std::move(where)) {
        if (!object_.is_object()) {
            Fail(where_, "must be an object");
        }
    }

    const Json* optional(const char* key) {
        used_.insert(key);
        auto at = object_.find(key);
        return at == object_.end() ? nullptr : &*at;
    }
    const Json& required(const char* key) {
        const Json* value = optional(key);
        if (value == nullptr) {
            Fail(where_, std::string("needs \"") + key + "\"");
        }
        return *value;
    }
    std::string at(const char* key) const { return where_ + ": \"" + key + "\""; }

    std::string text(const char* key, bool needed = false) {
        const Json* value = needed ? &required(key) : optional(key);
        return value ? Latin1Field(*value, at(key)) : std::string();
    }
    int64_t integer(const char* key, int64_t lowest, int64_t highest, bool needed = false) {
        const Json* value = needed ? &required(key) : optional(key);
        return value ? IntegerField(*value, at(key), lowest, highest) : 0;
    }
    uint32_t address(const char* key) { return AddressField(required(key), at(key)); }
    uint32_t rawValue(const char* key, ScalingSpec spec) {
        const Json* value = optional(key);
        return value ? RawValueField(*value, spec, at(key)) : 0;
    }

    ScalingSpec scaling() {
        const std::string type = text("type", true);
        if (type.size() != 1) {
            Fail(at("type"), "must be one character");
        }
        return {type[0], static_cast<int16_t>(integer("size", INT16_MIN, INT16_MAX, true)),
                static_cast<int8_t>(integer("bp", INT8_MIN, INT8_MAX, true))};
    }

    void finish() const {
        for (const auto& [key, value] : object_.items()) {
            if (!used_.contains(key)) {
                Fail(where_, "unknown field \"" + key + "\"");
            }
        }
    }

private:
    const Json& object_;
    std::string where_;
    std::set<std::string, std::less<>> used_;
};

std::string RecordWhere(const char* kind, size_t index, const Json& record) {
    if (record.is_object()) {
        auto name = record.find("name");
        if (name != record.end() && name->is_string()) {
            return std::string(kind) + " \"" + name->get<std::string>() + "\"";
        }
    }
    return std::string(kind) + " #" + std::to_string(index + 1);
}

VariableDef ReadVariable(Fields f) {
    VariableDef def;
    def.name = f.text("name", true);
    def.units = f.text("units");
    def.accessLevel = static_cast<uint8_t>(f.integer("access", 0, 255));
    def.scaling = f.scaling();
    def.ramAddress = f.address("ram");
    f.finish();
    return def;
}

ScalarDef ReadScalar(Fields f) {
    ScalarDef def;
    def.name = f.text("name", true);
    def.units = f.text("units");
    def.accessLevel = static_cast<uint8_t>(f.integer("access", 0, 255));
    def.scaling = f.scaling();
    def.eepromAddress = f.address("ee");
    def.fileRaw = f.rawValue("value", def.scaling);
    def.baseRaw = f.rawValue("base", def.scaling);
    def.baseValid = static_cast<uint8_t>(f.integer("baseValid", 0, 255));
    def.minRaw = f.rawValue("min", def.scaling);
    def.maxRaw = f.rawValue("max", def.scaling);
    def.menuGroup = static_cast<uint16_t>(f.integer("menu", 0, 65535));
    f.finish();
    return def;
}

ViewItemDef ReadViewItem(Fields f) {
    ViewItemDef def;
    def.name = f.text("name", true);
    def.accessLevel = static_cast<uint8_t>(f.integer("access", 0, 255));
    def.listNumber = static_cast<uint8_t>(f.integer("list", 0, 255));
    def.scaling = f.scaling();
    def.position = static_cast<uint8_t>(f.integer("pos", 0, 255));
    def.precision = static_cast<uint8_t>(f.integer("precision", 0, 255));
    f.finish();
    return def;
}

DiagnosticDef ReadDiagnostic(Fields f) {
    DiagnosticDef def;
    def.name = f.text("name", true);
    def.accessLevel = static_cast<uint8_t>(f.integer("access", 0, 255));
    def.ramAddress = f.address("ram");
    def.eepromAddress = f.address("ee");
    if (const Json* flags = f.optional("flags")) {
        if (!flags->is_array() || flags->size() > DiagnosticDef::kMaxFlags) {
            Fail(f.at("flags"), "must be a list of at most 32 bit texts");
        }
        def.flagCount = static_cast<uint8_t>(flags->size());
        for (size_t bit = 0; bit < flags->size(); ++bit) {
            def.bitTexts[bit] =
                Latin1Field((*flags)[bit], f.at("flags") + " bit " + std::to_string(bit));
        }
    }
    f.finish();
    return def;
}

CommentDef ReadComment(Fields f) {
    CommentDef def;
    def.accessLevel = static_cast<uint8_t>(f.integer("access", 0, 255));
    def.text = f.text("text");
    f.finish();
    return def;
}

const Json& ArrayField(const Json& source, const char* key) {
    static const Json kEmpty = Json::array();
    auto at = source.find(key);
    if (at == source.end()) {
        return kEmpty;
    }
    if (!at->is_array()) {
        Fail(std::string("\"") + key + "\"", "must be a list");
    }
    return *at;
}

template <typename Read, typename Store>
void ReadRecords(const Json& source, const char* key, const char* kind, Read read, Store store) {
    const Json& records = ArrayField(source, key);
    for (size_t i = 0; i < records.size(); ++i) {
        const std::string where = RecordWhere(kind, i, records[i]);
        store(read(Fields(records[i], where)), where);
    }
}

void ReadHeader(const Json& source, FileHeader& header) {
    static const std::set<std::string, std::less<>> kKnown = {
        "strategy", "descriptions", "reserved4",   "reserved31", "variables",
        "scalars",  "viewItems",    "diagnostics", "comments"};
    for (const auto& [key, value] : source.items()) {
        if (!kKnown.contains(key)) {
            Fail({}, "unknown field \"" + key + "\"");
        }
    }
    if (auto at = source.find("strategy"); at != source.end()) {
        header.strategyName = Latin1Field(*at, "\"strategy\"");
    }
    if (auto at = source.find("descriptions"); at != source.end()) {
        if (!at->is_array() || at->size() > header.descriptions.size()) {
            Fail("\"descriptions\"", "must be a list of at most six strings");
        }
        for (size_t i = 0; i < at->size(); ++i) {
            header.descriptions[i] = Latin1Field((*at)[i], "description " + std::to_string(i));
        }
    }
    if (auto at = source.find("reserved4"); at != source.end()) {
        ReadHexBytes(*at, header.reserved4, "\"reserved4\"");
    }
    if (auto at = source.find("reserved31"); at != source.end()) {
        ReadHexBytes(*at, header.reserved31, "\"reserved31\"");
    }
}

// A merged source (no base left) to definitions.
void BuildDefinitions(const Json& source, DefinitionSet& set) {
    if (!source.is_object()) {
        Fail({}, "a strategy source must be a JSON object");
    }
    set.clear();
    ReadHeader(source, set.header);
    set.header.modelKind = ClassifyStrategyName(set.header.strategyName);
    ReadRecords(source, "variables", "variable", ReadVariable,
                [&](VariableDef def, const std::string& where) {
                    if (set.variables.insert(std::move(def)) != 0) {
                        Fail(where, "is named twice; a cal file keeps only the first");
                    }
                });
    ReadRecords(source, "scalars", "scalar", ReadScalar,
                [&](ScalarDef def, const std::string& where) {
                    if (set.scalars.insert(std::move(def)) != 0) {
                        Fail(where, "is named twice; a cal file keeps only the first");
                    }
                });
    ReadRecords(source, "viewItems", "view item", ReadViewItem,
                [&](ViewItemDef def, const std::string&) { set.viewItems.append(std::move(def)); });
    ReadRecords(
        source, "diagnostics", "diagnostic", ReadDiagnostic,
        [&](DiagnosticDef def, const std::string&) { set.diagnostics.append(std::move(def)); });
    ReadRecords(source, "comments", "comment", ReadComment,
                [&](CommentDef def, const std::string&) { set.comments.append(std::move(def)); });
    set.refreshCounts();
}

// ---- bases ----------------------------------------------------------------------------

constexpr const char* kNamedLists[] = {"variables", "scalars", "viewItems", "diagnostics"};

// Applies one derived named list onto the base's: change by name, remove, or add.
void MergeNamedList(Json& base, const Json& derived, const char* key) {
    Json& target = base[key];
    if (target.is_null()) {
        target = Json::array();
    }
    const Json& records = ArrayField(derived, key);
    for (size_t i = 0; i < records.size(); ++i) {
        const Json& record = records[i];
        const std::string where = RecordWhere(key, i, record);
        if (!record.is_object() || !record.contains("name") || !record["name"].is_string()) {
            Fail(where, "needs a \"name\" to extend its base");
        }
        auto match = std::find_if(target.begin(), target.end(), [&](const Json& existing) {
            return existing.is_object() && existing.value("name", Json()) == record["name"];
        });
        const auto remove = record.find("remove");
        if (remove != record.end()) {
            if (*remove != true || record.size() != 2) {
                Fail(where, "\"remove\" must be true and stand alone with the name");
            }
            if (match == target.end()) {
                Fail(where, "is not in the base, so it cannot be removed");
            }
            target.erase(match);
        } else if (match == target.end()) {
            target.push_back(record);
        } else {
            for (const auto& [field, value] : record.items())
                (*match)[field] = value;
        }
    }
}

bool IsNamedList(std::string_view key) {
    return std::find(std::begin(kNamedLists), std::end(kNamedLists), key) != std::end(kNamedLists);
}

Json MergeOntoBase(Json base, const Json& derived) {
    if (!base.is_object()) {
        Fail({}, "a base source must be a JSON object");
    }
    for (auto at = derived.begin(); at != derived.end(); ++at) {
        if (at.key() != "base" && at.key() != "comments" && !IsNamedList(at.key())) {
            base[at.key()] = at.value();
        }
    }
    for (const char* key : kNamedLists) {
        MergeNamedList(base, derived, key);
    }
    Json& comments = base["comments"];
    if (comments.is_null()) {
        comments = Json::array();
    }
    for (const Json& comment : ArrayField(derived, "comments"))
        comments.push_back(comment);
    return base;
}

Json ParseJson(std::string_view text) {
    try {
        return Json::parse(text.begin(), text.end());
    } catch (const Json::parse_error& error) {
        // The library's message names the line and column of the fault.
        std::string what = error.what();
        if (const size_t at = what.find("parse error"); at != std::string::npos) {
            what = what.substr(at);
        }
        Fail({}, what);
    }
}

// Parses a source and folds in its chain of bases.
Json ResolveSource(std::string_view text, const BaseSourceLoader& loadBase, int depth) {
    Json source = ParseJson(text);
    if (!source.is_object()) {
        Fail({}, "a strategy source must be a JSON object");
    }
    auto baseName = source.find("base");
    if (baseName == source.end()) {
        for (const char* key : kNamedLists) {
            for (const Json& record : ArrayField(source, key)) {
                if (record.is_object() && record.contains("remove")) {
                    Fail(key, "\"remove\" needs a base to remove from");
                }
            }
        }
        return source;
    }
    if (!baseName->is_string() || baseName->get_ref<const std::string&>().empty()) {
        Fail("\"base\"", "must name a source file");
    }
    if (depth >= kMaxBaseDepth) {
        Fail("\"base\"", "bases nest more than eight deep; do they name each other?");
    }
    if (!loadBase) {
        Fail("\"base\"", "this source cannot name a base");
    }
    const std::string name = baseName->get<std::string>();
    std::string baseText;
    if (StrategySourceResult loaded = loadBase(name, baseText); !loaded) {
        Fail({}, loaded.error);
    }
    Json base;
    try {
        base = ResolveSource(baseText, loadBase, depth + 1);
    } catch (const SourceFault& fault) {
        Fail("base " + name, fault.what());
    }
    base.erase("base");
    return MergeOntoBase(std::move(base), source);
}

StrategySourceResult ReadTextFile(const std::string& path, std::string& text) {
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(path, ignored)) {
        return {path + ": cannot be read"};
    }
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         std::fclose);
    if (!file) {
        return {path + ": cannot be read"};
    }
    text.clear();
    char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
        text.append(buffer, got);
    if (std::ferror(file.get())) {
        return {path + ": cannot be read"};
    }
    return {};
}

// Loads bases relative to the folder of the source that names them; each base's own base
// is relative to the base.
class FileBaseLoader {
public:
    explicit FileBaseLoader(std::filesystem::path folder) : folder_(std::move(folder)) {}

    StrategySourceResult operator()(const std::string& name, std::string& text) {
        const std::filesystem::path path = folder_ / name;
        folder_ = path.parent_path();
        return ReadTextFile(path.string(), text);
    }

private:
    std::filesystem::path folder_;
};

// ---- writing --------------------------------------------------------------------------

void PutScaling(Json& record, ScalingSpec scaling) {
    record["type"] = Latin1ToUtf8(std::string(1, scaling.type));
    record["size"] = scaling.size;
    record["bp"] = scaling.binaryPoint;
}

template <typename Number>
void PutUnlessZero(Json& record, const char* key, Number value) {
    if (value != 0) record[key] = value;
}

Json VariableRecord(const VariableDef& def) {
    Json record;
    record["name"] = Latin1ToUtf8(def.name);
    PutScaling(record, def.scaling);
    record["ram"] = AddressText(def.ramAddress);
    if (!def.units.empty()) record["units"] = Latin1ToUtf8(def.units);
    PutUnlessZero(record, "access", def.accessLevel);
    return record;
}

Json ScalarRecord(const ScalarDef& def) {
    Json record;
    record["name"] = Latin1ToUtf8(def.name);
    PutScaling(record, def.scaling);
    record["ee"] = AddressText(def.eepromAddress);
    if (!def.units.empty()) record["units"] = Latin1ToUtf8(def.units);
    record["value"] = SourceValue(def.fileRaw, def.scaling);
    record["min"] = SourceValue(def.minRaw, def.scaling);
    record["max"] = SourceValue(def.maxRaw, def.scaling);
    if (def.baseRaw != 0) record["base"] = SourceValue(def.baseRaw, def.scaling);
    PutUnlessZero(record, "baseValid", def.baseValid);
    PutUnlessZero(record, "menu", def.menuGroup);
    PutUnlessZero(record, "access", def.accessLevel);
    return record;
}

Json ViewItemRecord(const ViewItemDef& def) {
    Json record;
    record["name"] = Latin1ToUtf8(def.name);
    PutScaling(record, def.scaling);
    record["pos"] = def.position;
    PutUnlessZero(record, "precision", def.precision);
    PutUnlessZero(record, "list", def.listNumber);
    PutUnlessZero(record, "access", def.accessLevel);
    return record;
}

Json DiagnosticRecord(const DiagnosticDef& def) {
    Json record;
    record["name"] = Latin1ToUtf8(def.name);
    record["ram"] = AddressText(def.ramAddress);
    record["ee"] = AddressText(def.eepromAddress);
    Json flags = Json::array();
    for (int bit = 0; bit < std::min<int>(def.flagCount, DiagnosticDef::kMaxFlags); ++bit)
        flags.push_back(Latin1ToUtf8(def.bitTexts[bit]));
    record["flags"] = std::move(flags);
    PutUnlessZero(record, "access", def.accessLevel);
    return record;
}

Json CommentRecord(const CommentDef& def) {
    Json record;
    PutUnlessZero(record, "access", def.accessLevel);
    record["text"] = Latin1ToUtf8(def.text);
    return record;
}

std::string Dump(const Json& value) {
    return value.dump(-1, ' ', false, Json::error_handler_t::strict);
}

// One record per line, so that a diff shows which definitions changed.
template <typename Table, typename ToRecord>
void WriteList(std::string& out, const char* key, const Table& table, ToRecord toRecord) {
    out += ",\n  \"";
    out += key;
    out += "\": [";
    const char* separator = "\n    ";
    for (const auto& entry : table.entries()) {
        out += separator;
        out += Dump(toRecord(*entry));
        separator = ",\n    ";
    }
    out += table.count() == 0 ? "]" : "\n  ]";
}

bool AllZero(const auto& bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == 0; });
}

}  // namespace

std::string Latin1ToUtf8(std::string_view bytes) {
    std::string utf8;
    utf8.reserve(bytes.size());
    for (char c : bytes) {
        const auto byte = static_cast<uint8_t>(c);
        if (byte < 0x80) {
            utf8 += c;
        } else {
            utf8 += static_cast<char>(0xC0 | byte >> 6);
            utf8 += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return utf8;
}

std::string JsonText(std::string_view text) { return Dump(Latin1ToUtf8(text)); }

std::string JsonPath(std::string_view path) {
    try {
        return Dump(std::string(path));
    } catch (const nlohmann::json::type_error&) {  // not UTF-8
        return JsonText(path);
    }
}

bool Utf8ToLatin1(std::string_view utf8, std::string& bytes) {
    bytes.clear();
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto lead = static_cast<uint8_t>(utf8[i]);
        if (lead < 0x80) {
            bytes += static_cast<char>(lead);
            continue;
        }
        // U+0080 to U+00FF are the two-byte sequences C2 80 to C3 BF; anything else is either
        // a higher code point or not UTF-8.
        if ((lead != 0xC2 && lead != 0xC3) || i + 1 >= utf8.size()) {
            return false;
        }
        const auto next = static_cast<uint8_t>(utf8[i + 1]);
        if ((next & 0xC0) != 0x80) {
            return false;
        }
        bytes += static_cast<char>((lead & 0x03) << 6 | (next & 0x3F));
        ++i;
    }
    return true;
}

StrategySourceResult ParseStrategySource(std::string_view text, DefinitionSet& set,
                                         const BaseSourceLoader& loadBase) {
    try {
        BuildDefinitions(ResolveSource(text, loadBase, 0), set);
        return {};
    } catch (const SourceFault& fault) {
        return {fault.what()};
    } catch (const nlohmann::json::exception& error) {
        return {error.what()};
    } catch (const std::bad_alloc&) {
        return {"out of memory"};
    } catch (const std::exception& error) {
        return {error.what()};
    }
}

StrategySourceResult ReadStrategySourceFile(const std::string& path, DefinitionSet& set) {
    std::string text;
    if (StrategySourceResult read = ReadTextFile(path, text); !read) {
        return read;
    }
    FileBaseLoader loader(std::filesystem::path(path).parent_path());
    StrategySourceResult result = ParseStrategySource(text, set, std::ref(loader));
    if (!result) {
        result.error = path + ": " + result.error;
    }
    return result;
}

std::string WriteStrategySource(const DefinitionSet& set) {
    const FileHeader& header = set.header;
    std::string out = "{\n  \"strategy\": " + Dump(Latin1ToUtf8(header.strategyName));
    out += ",\n  \"descriptions\": [";
    for (size_t i = 0; i < header.descriptions.size(); ++i) {
        out += i == 0 ? "\n    " : ",\n    ";
        out += Dump(Latin1ToUtf8(header.descriptions[i]));
    }
    out += "\n  ]";
    if (!AllZero(header.reserved4)) {
        out += ",\n  \"reserved4\": \"" +
               HexBytes(header.reserved4.data(), header.reserved4.size()) + "\"";
    }
    if (!AllZero(header.reserved31)) {
        out += ",\n  \"reserved31\": \"" +
               HexBytes(header.reserved31.data(), header.reserved31.size()) + "\"";
    }
    WriteList(out, "variables", set.variables, VariableRecord);
    WriteList(out, "scalars", set.scalars, ScalarRecord);
    WriteList(out, "viewItems", set.viewItems, ViewItemRecord);
    WriteList(out, "diagnostics", set.diagnostics, DiagnosticRecord);
    WriteList(out, "comments", set.comments, CommentRecord);
    out += "\n}\n";
    return out;
}

}  // namespace zvr
