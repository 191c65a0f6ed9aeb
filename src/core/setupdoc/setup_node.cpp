#include "setupdoc/setup_node.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>

#include "common/regular_file.h"

namespace zvr {

namespace {

constexpr size_t npos = std::string_view::npos;
constexpr std::string_view kIndent = "  ";
constexpr std::string_view kLineEnd = "\r\n";
constexpr size_t kFirstPrintBuffer = 4096;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

size_t SkipBlanks(std::string_view text, size_t at) {
    while (at < text.size() && IsBlank(text[at])) {
        ++at;
    }
    return at;
}

size_t SkipSpaces(std::string_view text, size_t at) {
    while (at < text.size() && text[at] == ' ') {
        ++at;
    }
    return at;
}

std::string_view TrimTrailingBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Replaces pattern by replacement until no pattern is left. None of the patterns used here
// overlaps itself and no replacement ends a pattern, so every order of replacing gives the
// same text: building it left to right and folding the end whenever it completes a pattern
// gives it in one pass, where searching again from the start after each replacement would
// take quadratic time on a long run of "&amp;amp;amp;...".
std::string ReplaceUntilGone(std::string_view text, std::string_view pattern,
                             std::string_view replacement) {
    if (text.find(pattern) == npos) {
        return std::string(text);
    }
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        out.push_back(c);
        if (std::string_view(out).ends_with(pattern)) {
            out.resize(out.size() - pattern.size());
            out.append(replacement);
        }
    }
    return out;
}

std::string DecodeEntities(std::string_view text) {
    std::string out = ReplaceUntilGone(text, "&amp;", "&");
    out = ReplaceUntilGone(out, "&quot;", "\"");
    out = ReplaceUntilGone(out, "&apos;", "'");
    out = ReplaceUntilGone(out, "&lt;", "<");
    return ReplaceUntilGone(out, "&gt;", ">");
}

// Line ends pass through "~~", so a "~~" the text already held becomes a line end too.
std::string DecodeContent(std::string_view text) {
    const std::string decoded = DecodeEntities(TrimTrailingBlanks(text));
    return ReplaceUntilGone(ReplaceUntilGone(decoded, "\n", "~~"), "~~", "\r\n");
}

// Answers "does the element's name start at this position?" for positions that only grow.
// A plain comparison at every "<" is linear as long as the name holds no "<"; a name that
// does could match again inside its own last match, so then the occurrences are found once,
// in order, by Knuth-Morris-Pratt.
class NameMatcher {
public:
    NameMatcher(std::string_view text, std::string_view name, size_t from)
        : text_(text), name_(name), scanned_(from) {
        if (name_.find('<') == npos) {
            return;
        }
        useTable_ = true;
        failure_.assign(name_.size(), 0);
        size_t k = 0;
        for (size_t i = 1; i < name_.size(); ++i) {
            while (k > 0 && name_[i] != name_[k])
                k = failure_[k - 1];
            if (name_[i] == name_[k]) ++k;
            failure_[i] = k;
        }
    }

    bool startsAt(size_t at) {
        if (!useTable_) {
            return text_.substr(std::min(at, text_.size())).starts_with(name_);
        }
        while (!searched_ || next_ < at) {
            next_ = nextOccurrence();
            searched_ = true;
        }
        return next_ == at;
    }

private:
    size_t nextOccurrence() {
        while (scanned_ < text_.size()) {
            const char c = text_[scanned_++];
            while (matched_ > 0 && c != name_[matched_])
                matched_ = failure_[matched_ - 1];
            if (c == name_[matched_]) ++matched_;
            if (matched_ == name_.size()) {
                matched_ = failure_[matched_ - 1];
                return scanned_ - name_.size();
            }
        }
        return npos;
    }

    std::string_view text_;
    std::string_view name_;
    bool useTable_ = false;
    std::vector<size_t> failure_;
    size_t scanned_;
    size_t matched_ = 0;
    size_t next_ = 0;  // start of the last occurrence found, npos after the last
    bool searched_ = false;
};

// The "<" of the end tag that matches an element whose body starts at from, or npos.
size_t FindEndTag(std::string_view text, size_t from, std::string_view name) {
    NameMatcher matcher(text, name, from);
    size_t openings = 1;
    size_t closings = 0;
    for (size_t at = text.find('<', from); at != npos; at = text.find('<', at + 1)) {
        size_t after = SkipSpaces(text, at + 1);
        if (after < text.size() && text[after] == '/') {
            after = SkipSpaces(text, after + 1);
            if (matcher.startsAt(after) && ++closings == openings) {
                return at;
            }
        } else if (matcher.startsAt(after)) {
            ++openings;
        }
    }
    return npos;
}

// The ">" that closes a "<!" construct whose text starts at from, or npos.
size_t FindCountedEnd(std::string_view text, size_t from) {
    size_t openings = 1;
    size_t closings = 0;
    for (size_t at = text.find_first_of("<>", from); at != npos;
         at = text.find_first_of("<>", at + 1)) {
        if (text[at] == '<') {
            ++openings;
        } else if (++closings == openings) {
            return at;
        }
    }
    return npos;
}

class BoundedWriter {
public:
    BoundedWriter(char* buffer, size_t capacity) : buffer_(buffer), capacity_(capacity) {}

    void put(std::string_view text) {
        if (length_ < capacity_) {
            std::memcpy(buffer_ + length_, text.data(), std::min(text.size(), capacity_ - length_));
        }
        length_ += text.size();
    }
    void indent(int depth) {
        for (int i = 0; i < depth; ++i)
            put(kIndent);
    }
    size_t length() const { return length_; }

private:
    char* buffer_;
    size_t capacity_;
    size_t length_ = 0;
};

}  // namespace

// Builds nodes straight into their private fields while reading text.
class SetupParser {
public:
    static void parseSiblings(std::string_view text, SetupNode& parent, int depth);

private:
    static SetupNode& addNode(SetupNode& parent, std::string_view name);
    static void parseAttributes(std::string_view text, SetupNode& node);
    // Where parsing of the siblings resumes, or npos when it stops.
    static size_t parseElement(std::string_view text, size_t at, SetupNode& parent, int depth);
};

SetupNode& SetupParser::addNode(SetupNode& parent, std::string_view name) {
    SetupNode& node = parent.appendChild(std::string(name));
    node.parent_ = &parent;
    return node;
}

void SetupParser::parseSiblings(std::string_view text, SetupNode& parent, int depth) {
    size_t at = 0;
    while (at < text.size()) {
        const size_t open = text.find('<', SkipBlanks(text, at));
        if (open == npos) {
            return;
        }
        const std::string_view tag = text.substr(open + 1);
        if (tag.starts_with("?xml")) {
            const size_t end = text.find("?>", open + 5);
            if (end == npos) {
                return;
            }
            parseAttributes(text.substr(open + 5, end - open - 5), addNode(parent, "xml"));
            at = end + 2;
        } else if (tag.starts_with('!')) {
            const size_t end = FindCountedEnd(text, open + 2);
            if (end == npos) {
                return;
            }
            at = end + 1;
        } else {
            at = parseElement(text, open + 1, parent, depth);
        }
    }
}

size_t SetupParser::parseElement(std::string_view text, size_t at, SetupNode& parent, int depth) {
    const size_t tagStart = SkipSpaces(text, at);
    const size_t tagEnd = text.find('>', tagStart);
    if (tagEnd == npos) {
        return npos;
    }
    std::string_view tag = text.substr(tagStart, tagEnd - tagStart);
    const bool multiLine = tag.find_first_of("\r\n") != npos;
    const bool selfClosing = tag.ends_with('/');
    if (selfClosing) {
        tag.remove_suffix(1);
    }
    const size_t nameEnd = std::min(tag.find_first_of(" \t\r\n"), tag.size());
    SetupNode& node = addNode(parent, tag.substr(0, nameEnd));
    node.multiLineTag_ = multiLine;
    parseAttributes(tag.substr(nameEnd), node);
    if (selfClosing) {
        return tagEnd + 1;
    }

    node.hasBody_ = true;
    const size_t contentStart = SkipBlanks(text, tagEnd + 1);
    const size_t bodyStart = text.find('<', contentStart);
    const size_t contentEnd = bodyStart == npos ? text.size() : bodyStart;
    if (contentEnd > contentStart) {
        node.content_ = DecodeContent(text.substr(contentStart, contentEnd - contentStart));
    }
    if (bodyStart == npos) {
        return npos;
    }
    const size_t end = FindEndTag(text, bodyStart, node.name_);
    if (depth < kMaxSetupDepth) {
        const size_t bodyEnd = end == npos ? text.size() : end;
        parseSiblings(text.substr(bodyStart, bodyEnd - bodyStart), node, depth + 1);
    }
    return end == npos ? npos : end + 1;
}

void SetupParser::parseAttributes(std::string_view text, SetupNode& node) {
    size_t at = 0;
    for (;;) {
        at = SkipBlanks(text, at);
        const size_t equals = text.find('=', at);
        if (equals == npos) {
            return;
        }
        const std::string_view name = TrimTrailingBlanks(text.substr(at, equals - at));
        if (name.empty()) {
            return;
        }
        size_t valueStart = SkipBlanks(text, equals + 1);
        size_t valueEnd;
        if (valueStart < text.size() && text[valueStart] == '"') {
            ++valueStart;
            valueEnd = std::min(text.find('"', valueStart), text.size());
            at = valueEnd + 1;
        } else {
            valueEnd = std::min(text.find_first_of(" \t\n\r", valueStart), text.size());
            at = valueEnd;
        }
        node.attributes_.emplace_back(
            std::string(name), DecodeEntities(text.substr(valueStart, valueEnd - valueStart)));
    }
}

std::unique_ptr<SetupNode> ParseSetupText(std::string_view text) {
    auto root = std::make_unique<SetupNode>();
    SetupParser::parseSiblings(text, *root, 1);
    return root;
}

SetupNode::SetupNode() : SetupNode("top") {
    hasBody_ = true;
    multiLineTag_ = true;
}

SetupNode::SetupNode(std::string name) : name_(std::move(name)) {}

void SetupNode::setContent(std::string content) {
    content_ = std::move(content);
    hasBody_ = true;
}

const std::string* SetupNode::attribute(std::string_view name) const {
    for (const Attribute& attribute : attributes_) {
        if (attribute.first == name) {
            return &attribute.second;
        }
    }
    return nullptr;
}

void SetupNode::setAttribute(std::string_view name, std::string_view value) {
    for (Attribute& attribute : attributes_) {
        if (attribute.first == name) {
            if (attribute.second != value) attribute.second = value;
            return;
        }
    }
    attributes_.emplace_back(std::string(name), std::string(value));
}

void SetupNode::setAttribute(std::string_view name, int value) {
    char digits[16];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    setAttribute(name, std::string_view(digits, result.ptr));
}

int SetupNode::intAttribute(std::string_view name, int fallback) const {
    const std::string* value = attribute(name);
    if (value == nullptr) {
        return fallback;
    }
    std::string_view text = *value;
    while (!text.empty() &&
           (text.front() == ' ' || (text.front() >= '\t' && text.front() <= '\r'))) {
        text.remove_prefix(1);
    }
    const bool negative = text.starts_with('-');
    if (negative || text.starts_with('+')) {
        text.remove_prefix(1);
    }
    constexpr int64_t kLimit = int64_t{std::numeric_limits<int>::max()} + 1;
    int64_t magnitude = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        magnitude = std::min(magnitude * 10 + (c - '0'), kLimit);
    }
    const int64_t signedValue = negative ? -magnitude : magnitude;
    return static_cast<int>(std::clamp<int64_t>(signedValue, std::numeric_limits<int>::min(),
                                                std::numeric_limits<int>::max()));
}

const SetupNode* SetupNode::findChild(std::string_view name) const {
    for (const auto& child : children_) {
        if (child->name_ == name) {
            return child.get();
        }
    }
    return nullptr;
}

SetupNode& SetupNode::appendChild(std::unique_ptr<SetupNode> child) {
    children_.push_back(std::move(child));
    return *children_.back();
}

SetupNode& SetupNode::appendChild(std::string name) {
    return appendChild(std::make_unique<SetupNode>(std::move(name)));
}

void SetupNode::parseText(std::string_view text) {
    children_.clear();
    SetupParser::parseSiblings(text, *this, 1);
}

int SetupNode::parseFile(const std::string& path) {
    // A FIFO or a device is refused rather than waited on or read without end.
    std::FILE* file = OpenRegularFile(path);
    if (file == nullptr) {
        return -1;
    }
    std::string text;
    bool readable = true;
    try {
        char chunk[65536];
        size_t got;
        while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
            text.append(chunk, got);
        }
        readable = !std::ferror(file);
    } catch (const std::bad_alloc&) {
        readable = false;
    }
    std::fclose(file);
    if (!readable) {
        return -1;
    }
    // Setup files are text: their CR LF line ends read as LF.
    size_t kept = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
            text[kept++] = text[i];
        }
    }
    text.resize(kept);
    parseText(text);
    return 0;
}

namespace {

void PrintNode(const SetupNode& node, int depth, bool isRoot, BoundedWriter& out) {
    const bool isDeclaration = node.name() == "xml";
    if (!isRoot) {
        out.indent(depth);
        out.put(isDeclaration ? "<?" : "<");
        out.put(node.name());
        for (const auto& [name, value] : node.attributes()) {
            out.put(" ");
            out.put(name);
            out.put("=\"");
            out.put(value);
            out.put("\"");
        }
        out.put(isDeclaration && !node.attributes().empty() ? "?>" : ">");
        out.put(kLineEnd);
    }
    if (node.hasBody() && node.content()) {
        out.indent(depth + 1);
        out.put(*node.content());
        out.put(kLineEnd);
    }
    for (const auto& child : node.children()) {
        PrintNode(*child, depth + 1, false, out);
    }
    if (!isRoot && !isDeclaration) {
        out.indent(depth);
        out.put("</");
        out.put(node.name());
        out.put(">");
        out.put(kLineEnd);
    }
}

}  // namespace

int SetupNode::print(std::string& text) const {
    // Most setup documents fit the first buffer; a longer one is measured by the first pass
    // and printed again into a buffer of exactly its length.
    std::string first;
    try {
        first.assign(kFirstPrintBuffer, '\0');
    } catch (const std::bad_alloc&) {
        return -2;
    }
    BoundedWriter firstPass(first.data(), kFirstPrintBuffer - 1);
    PrintNode(*this, 0, true, firstPass);
    const size_t length = firstPass.length();
    if (length < kFirstPrintBuffer) {
        first.resize(length);
        text = std::move(first);
        return 0;
    }
    std::string second;
    try {
        second.assign(length, '\0');
    } catch (const std::bad_alloc&) {
        return -1;
    }
    BoundedWriter secondPass(second.data(), length);
    PrintNode(*this, 0, true, secondPass);
    if (secondPass.length() != length) {
        return -3;
    }
    text = std::move(second);
    return 0;
}

}  // namespace zvr
