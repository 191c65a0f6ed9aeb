#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zvr {

// The small XML-like document in which view setups (*.zvf) and plot setups (*.zpf) are kept.
// No validation, no namespaces, character references or CDATA; attribute values and content
// are written as stored, without escaping. All text is single-byte.

// Both setup files start from this document: a declaration "xml" with version = "1.0" and an
// element "ZVR" with VER = "1.0" and no body.
inline constexpr std::string_view kEmptySetupDocument = "<?xml version=1.0?><ZVR VER=1.0/>";

// One element. A node owns its children; nodes never move once made, so the parent pointers
// the parser sets stay valid for the life of the tree.
class SetupNode {
public:
    using Attribute = std::pair<std::string, std::string>;

    // A root: named "top", with a body, no attributes, children or content.
    SetupNode();
    explicit SetupNode(std::string name);
    SetupNode(const SetupNode&) = delete;
    SetupNode& operator=(const SetupNode&) = delete;

    // The node whose text this node was parsed from; null for roots and nodes built in code.
    const SetupNode* parent() const { return parent_; }
    const std::string& name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }
    // An opening tag with a separate end tag, or content set in code.
    bool hasBody() const { return hasBody_; }
    // The opening tag's text spanned lines; kept for the record, never printed.
    bool multiLineTag() const { return multiLineTag_; }
    const std::optional<std::string>& content() const { return content_; }
    void setContent(std::string content);

    const std::vector<Attribute>& attributes() const { return attributes_; }
    // The value of the first attribute of that name.
    const std::string* attribute(std::string_view name) const;
    // Replaces the value of the first attribute of that name, or appends the pair.
    void setAttribute(std::string_view name, std::string_view value);
    // Attribute values as decimal integers, "C" locale.
    void setAttribute(std::string_view name, int value);
    // Reads like C's atoi: leading blanks, a sign, digits up to the first other character;
    // no digits give 0, a number beyond int saturates. Absent gives fallback.
    int intAttribute(std::string_view name, int fallback) const;

    const std::vector<std::unique_ptr<SetupNode>>& children() const { return children_; }
    // The first child of that name, or null.
    const SetupNode* findChild(std::string_view name) const;
    SetupNode& appendChild(std::unique_ptr<SetupNode> child);
    SetupNode& appendChild(std::string name);

    // Replaces the children by the top-level elements of text (see ParseSetupText).
    void parseText(std::string_view text);
    // The same from a file, read whole with CR LF line ends taken as LF. -1 when the file
    // cannot be opened or read into memory (children untouched), else 0.
    int parseFile(const std::string& path);

    // The tree as indented text with CR LF line ends; this node prints no tag of its own,
    // its children are the top level. Results: 0; -2 or -1 when the first or second buffer
    // cannot be allocated; -3 when the second pass does not fit (text is then untouched).
    int print(std::string& text) const;

private:
    friend class SetupParser;

    const SetupNode* parent_ = nullptr;
    std::string name_;
    bool hasBody_ = false;
    bool multiLineTag_ = false;
    std::vector<Attribute> attributes_;
    std::vector<std::unique_ptr<SetupNode>> children_;
    std::optional<std::string> content_;
};

// Parses setup document text into a new root "top" holding its top-level elements.
//
// Contract: a pure function of the text. It never fails and never reads outside the text:
// whatever the bytes, it returns the elements parsed before the point of trouble
// (an unterminated tag, declaration or comment ends the parse; an element without its end
// tag takes the rest of the text as its body). Work is linear in the text for each level of
// nesting, and nesting is followed to kMaxSetupDepth levels: the body of an element at that
// depth is skipped, not parsed into children.
//
// The syntax it accepts: "<?xml ...?>" declarations (node "xml", attributes only); "<!...>"
// comments and declarations skipped by counting nested "<" and ">"; elements "<name attrs>"
// with a body ended by the matching "</name>", or "<name attrs/>" without one. A body's end
// is found by counting every "<name..." inside it as another opening and every "</name..."
// as a closing, where "name..." is any text starting with the element's name. Attribute
// values are quoted or run to the next blank; "&amp;", "&quot;", "&apos;", "&lt;", "&gt;"
// are decoded in that order, each until none is left. Content is the text before the first
// child, trimmed of blanks, decoded, and with every LF (and every "~~") made CR LF.
std::unique_ptr<SetupNode> ParseSetupText(std::string_view text);

inline constexpr int kMaxSetupDepth = 32;

}  // namespace zvr
