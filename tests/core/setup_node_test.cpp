#include "setupdoc/setup_node.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <memory>
#include <random>

#include "support/sample_definitions.h"

namespace zvr {
namespace {

// A tree in one line: name, (attributes), "content", and {children} when it has a body.
std::string Describe(const SetupNode& node);

std::string DescribeChildren(const SetupNode& node) {
    std::string text;
    for (const auto& child : node.children()) {
        text += (text.empty() ? "" : " ") + Describe(*child);
    }
    return text;
}

std::string Describe(const SetupNode& node) {
    std::string text = node.name();
    if (!node.attributes().empty()) {
        text += "(";
        for (const auto& [name, value] : node.attributes()) {
            text += (text.back() == '(' ? "" : " ") + name + "=" + value;
        }
        text += ")";
    }
    if (node.content()) text += "\"" + *node.content() + "\"";
    if (node.hasBody()) text += "{" + DescribeChildren(node) + "}";
    return text;
}

std::string Printed(const SetupNode& root) {
    std::string text;
    EXPECT_EQ(root.print(text), 0);
    return text;
}

// Parses from a buffer of exactly the text's size, so that a read past the end is caught by
// the address sanitizer instead of finding the string's terminating zero.
std::unique_ptr<SetupNode> ParseExact(const std::string& text) {
    std::unique_ptr<char[]> buffer(new char[text.size()]);
    std::copy(text.begin(), text.end(), buffer.get());
    return ParseSetupText(std::string_view(buffer.get(), text.size()));
}

struct ParseCase {
    const char* what;
    std::string text;
    std::string tree;
};

class ParseTest : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseTest, GivesTheTree) {
    EXPECT_EQ(DescribeChildren(*ParseExact(GetParam().text)), GetParam().tree);
}

INSTANTIATE_TEST_SUITE_P(
    SetupNode, ParseTest,
    testing::Values(
        ParseCase{"the empty setup document", "<?xml version=1.0?><ZVR VER=1.0/>",
                  "xml(version=1.0) ZVR(VER=1.0)"},
        ParseCase{"its printed form",
                  "  <?xml version=\"1.0\"?>\r\n  <ZVR VER=\"1.0\">\r\n  </ZVR>\r\n",
                  "xml(version=1.0) ZVR(VER=1.0){}"},
        ParseCase{"nothing", " \t\r\n", ""},
        ParseCase{"content trimmed, its LF made CR LF", "<A>  one\ntwo \t\n</A>",
                  "A\"one\r\ntwo\"{}"},
        ParseCase{"a ~~ in content becomes a line end", "<A>a~~b~\nc</A>", "A\"a\r\nb\r\n~c\"{}"},
        ParseCase{"content is the text before the first child", "<A>x<B>y</B>z</A>",
                  "A\"x\"{B\"y\"{}}"},
        ParseCase{"siblings and nesting", "<A><B k=1/><C></C></A><D/>", "A{B(k=1) C{}} D"},
        ParseCase{"a nested name that starts with the element's is counted as its opening",
                  "<AB><ABC/></AB><D/>", "AB{ABC /AB{D}}"},
        ParseCase{"so a nested pair of that name is harmless", "<AB><ABC>x</ABC></AB><D/>",
                  "AB{ABC\"x\"{}} D"},
        ParseCase{"spaces inside tags", "< A >< / A ><B/>", "A{} B"},
        ParseCase{"comments skipped by counting", "<!-- a <b> c --><A/><!DOCTYPE x [<!E y>]><B/>",
                  "A B"},
        ParseCase{"attribute values quoted and not", "<A a=\"x y\" b = z\tc=\"\" d=\"open/>",
                  "A(a=x y b=z c= d=open)"},
        ParseCase{"attribute text without = ends the attributes", "<A b=1 flag/>", "A(b=1)"},
        ParseCase{"text before = is the name", "<A flag b=1/>", "A(flag b=1)"},
        ParseCase{"an empty name ends the attributes", "<A =x b=1/>", "A"},
        ParseCase{"a repeated attribute is kept", "<A b=1 b=2/>", "A(b=1 b=2)"},
        ParseCase{"a declaration holds attributes only", "<?xml?><?xml a='1' b=2?><A/>",
                  "xml xml(a='1' b=2) A"},
        ParseCase{"an unterminated declaration ends the parse", "<A/><?xml version=1.0 <B/>", "A"},
        ParseCase{"an unterminated comment ends the parse", "<A/><!-- <B/> -", "A"},
        ParseCase{"an unterminated tag ends the parse", "<A/><B c=1", "A"},
        ParseCase{"without its end tag an element takes the rest", "<A><B/><C/>", "A{B C}"},
        ParseCase{"a stray end tag takes the rest", "<A/></A><B/>", "A /A{B}"},
        ParseCase{"text outside elements is ignored", "junk<A/>more junk", "A"}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(SetupNode, ParsedNodesKnowTheirParentAndMultiLineTags) {
    auto root = ParseSetupText("<A\r\n b=1><B/></A>");
    const SetupNode& a = *root->children()[0];
    EXPECT_EQ(a.parent(), root.get());
    EXPECT_EQ(a.children()[0]->parent(), &a);
    EXPECT_TRUE(a.multiLineTag());
    EXPECT_FALSE(a.children()[0]->multiLineTag());
    EXPECT_TRUE(root->hasBody());
    EXPECT_EQ(root->name(), "top");
}

TEST(SetupNode, ParseTextReplacesTheChildren) {
    SetupNode root;
    root.appendChild("OLD");
    root.parseText("<NEW/>");
    EXPECT_EQ(DescribeChildren(root), "NEW");
}

struct EntityCase {
    std::string encoded;
    std::string decoded;
};

class EntityTest : public testing::TestWithParam<EntityCase> {};

// Each entity is replaced until none is left, in the order amp, quot, apos, lt, gt.
TEST_P(EntityTest, DecodesAttributeValuesAndContent) {
    const auto& [encoded, decoded] = GetParam();
    auto root = ParseExact("<A v=\"" + encoded + "\">" + encoded + "</A>");
    const SetupNode& a = *root->children()[0];
    ASSERT_NE(a.attribute("v"), nullptr);
    EXPECT_EQ(*a.attribute("v"), decoded);
    EXPECT_EQ(a.content(), decoded);
}

INSTANTIATE_TEST_SUITE_P(
    SetupNode, EntityTest,
    testing::Values(EntityCase{"&amp;amp;", "&"}, EntityCase{"&amp;amp;amp;amp;x", "&x"},
                    EntityCase{"&amp;lt;", "<"}, EntityCase{"&amp;quot;&amp;apos;", "\"'"},
                    EntityCase{"&lt;amp;", "<amp;"}, EntityCase{"&gt;&amp;lt;", "><"},
                    EntityCase{"&lt;b&gt; &quot;q&quot; &apos;", "<b> \"q\" '"},
                    EntityCase{"&am&amp;p;", "&am&p;"},
                    EntityCase{"&#65; &unknown;", "&#65; &unknown;"}));

TEST(SetupNode, EmptySetupDocumentPrintsThreeLines) {
    SetupNode root;
    root.parseText(kEmptySetupDocument);
    EXPECT_EQ(Printed(root), "  <?xml version=\"1.0\"?>\r\n  <ZVR VER=\"1.0\">\r\n  </ZVR>\r\n");
}

TEST(SetupNode, PrintsIndentedTagsContentAndEndTags) {
    SetupNode root;
    SetupNode& a = root.appendChild("A");
    a.setAttribute("x", "1");
    a.setAttribute("y", "two words");
    a.setContent("hi");
    a.appendChild("B").appendChild("C");
    root.appendChild("xml");  // without attributes a declaration closes with ">"
    EXPECT_EQ(Printed(root),
              "  <A x=\"1\" y=\"two words\">\r\n"
              "    hi\r\n"
              "    <B>\r\n"
              "      <C>\r\n"
              "      </C>\r\n"
              "    </B>\r\n"
              "  </A>\r\n"
              "  <?xml>\r\n");
}

TEST(SetupNode, PrintsValuesUnescapedAndReadsBackTheirEntities) {
    SetupNode root;
    root.appendChild("A").setAttribute("v", "1 &amp;lt; 2");
    const std::string text = Printed(root);
    EXPECT_EQ(text, "  <A v=\"1 &amp;lt; 2\">\r\n  </A>\r\n");
    EXPECT_EQ(*ParseSetupText(text)->children()[0]->attribute("v"), "1 < 2");
}

// The first print buffer holds 4095 characters and the terminating zero.
TEST(SetupNode, PrintsDocumentsAroundAndBeyondTheFirstBuffer) {
    for (size_t length : {4095u, 4096u, 4097u, 100000u}) {
        const std::string content(length - 21, 'x');  // 21 characters of tags and line ends
        SetupNode root;
        root.appendChild("A").setContent(content);
        const std::string text = Printed(root);
        EXPECT_EQ(text, "  <A>\r\n    " + content + "\r\n  </A>\r\n") << length;
        EXPECT_EQ(text.size(), length);
    }
}

TEST(SetupNode, PrintThenParseKeepsALargeTree) {
    SetupNode root;
    root.parseText(kEmptySetupDocument);
    for (int i = 0; i < 2000; ++i) {
        SetupNode& item = root.appendChild("ITEM" + std::to_string(i));
        item.setAttribute("N", i);
        item.appendChild("SUB").setContent("some text");
    }
    const std::string text = Printed(root);
    ASSERT_GT(text.size(), 4096u);
    EXPECT_TRUE(Printed(*ParseSetupText(text)) == text);
}

TEST(SetupNode, SetAttributeReplacesTheFirstOrAppends) {
    SetupNode node("A");
    node.setAttribute("a", "1");
    node.setAttribute("b", "2");
    node.setAttribute("a", "3");
    node.setAttribute("b", "2");
    EXPECT_EQ(Describe(node), "A(a=3 b=2)");
    EXPECT_EQ(node.attribute("c"), nullptr);
    EXPECT_EQ(node.findChild("X"), nullptr);
}

TEST(SetupNode, IntAttributesReadLikeAtoi) {
    const std::vector<std::pair<std::string, int>> cases = {{"12", 12},
                                                            {" \t-7", -7},
                                                            {"+3", 3},
                                                            {"12abc", 12},
                                                            {"2.9", 2},
                                                            {"abc", 0},
                                                            {"", 0},
                                                            {"- 5", 0},
                                                            {"99999999999", INT_MAX},
                                                            {"-99999999999", INT_MIN}};
    for (const auto& [text, value] : cases) {
        SetupNode node("A");
        node.setAttribute("n", text);
        EXPECT_EQ(node.intAttribute("n", 42), value) << text;
    }
    EXPECT_EQ(SetupNode("A").intAttribute("n", 42), 42);
}

TEST(SetupNode, ParseFileReadsCrLfAsLf) {
    test::WriteBytes("doc.xml", "<A>one\r\ntwo\r\n</A>");
    SetupNode root;
    ASSERT_EQ(root.parseFile("doc.xml"), 0);
    EXPECT_EQ(DescribeChildren(root), "A\"one\r\ntwo\"{}");
}

TEST(SetupNode, ParseFileOfAMissingFileOrAFolderFailsAndKeepsTheChildren) {
    SetupNode root;
    root.appendChild("KEEP");
    EXPECT_EQ(root.parseFile("missing.xml"), -1);
    EXPECT_EQ(root.parseFile("."), -1);
    EXPECT_EQ(DescribeChildren(root), "KEEP");
}

size_t Depth(const SetupNode& node) {
    size_t deepest = 0;
    for (const auto& child : node.children())
        deepest = std::max(deepest, Depth(*child));
    return deepest + (node.parent() != nullptr ? 1 : 0);
}

std::string Repeat(const std::string& piece, size_t totalSize) {
    std::string text;
    text.reserve(totalSize + piece.size());
    while (text.size() < totalSize)
        text += piece;
    return text;
}

std::string RandomBytes(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string text(size, '\0');
    for (char& c : text)
        c = static_cast<char>(random());
    return text;
}

struct HostileCase {
    const char* what;
    std::function<std::string()> make;  // made when the case runs: the texts are large
};

class HostileInputTest : public testing::TestWithParam<HostileCase> {};

// Whatever the bytes, parsing ends, stays inside the text, keeps the nesting bounded, and
// what it parsed prints.
TEST_P(HostileInputTest, ParsesWithoutHarm) {
    auto root = ParseExact(GetParam().make());
    EXPECT_LE(Depth(*root), static_cast<size_t>(kMaxSetupDepth));
    std::string text;
    EXPECT_EQ(root->print(text), 0);
}

constexpr size_t kTenMegabytes = 10 << 20;

INSTANTIATE_TEST_SUITE_P(
    SetupNode, HostileInputTest,
    testing::Values(
        HostileCase{"deep nesting without end tags", [] { return Repeat("<a>", kTenMegabytes); }},
        HostileCase{"deep nesting with end tags",
                    [] { return Repeat("<a>", 300000) + Repeat("</a>", 300000); }},
        HostileCase{"a body of nothing but openings",
                    [] { return "<a>" + std::string(kTenMegabytes, '<'); }},
        HostileCase{"a comment of openings", [] { return "<!" + std::string(kTenMegabytes, '<'); }},
        HostileCase{"a long name full of openings, and a body that repeats it",
                    [] { return "<" + Repeat("a<", 1 << 20) + ">" + Repeat("<a", 1 << 20); }},
        HostileCase{"a huge attribute",
                    [] { return "<A v=\"" + std::string(kTenMegabytes, 'v') + "\"/>"; }},
        HostileCase{"a huge run of entities",
                    [] { return "<A v=" + Repeat("&amp;amp;", kTenMegabytes) + "/>"; }},
        HostileCase{"a large view setup",
                    [] {
                        return Repeat(
                            "<engine_rpm ACCESS_LEVEL=\"0\" PRECISION=\"0\" SCALING_BINPT=\"0\" "
                            "SCALING_SZ=\"2\" SCALING_TYPE=\"85\" LIST_NUM=\"0\" VIEW_POS=\"0\">"
                            "\r\n</engine_rpm>\r\n",
                            kTenMegabytes);
                    }},
        HostileCase{"many tiny elements", [] { return Repeat("<a b=c/>", 2 << 20); }},
        HostileCase{"binary junk", [] { return RandomBytes(kTenMegabytes, 8); }},
        HostileCase{"binary junk between tags",
                    [] { return Repeat("<A>" + RandomBytes(64, 1), 1 << 20); }}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

}  // namespace
}  // namespace zvr
