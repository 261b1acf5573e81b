#include "base/errors.h"
#include "base/paths.h"
#include "platform/fs.h"
#include "support/package_builder.h"
#include "xlsx/xml_events_text.h"
#include "xlsx/xml_reader.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ledgerine::xlsx {
namespace {

using namespace std::string_literals;

constexpr XmlOptions plain{};
constexpr XmlOptions keepWs{true, false};
constexpr XmlOptions comments{false, true};

// The event listing with its lines joined by " | ", so a case reads as one short line.
std::string joined(const std::string& listing) {
    std::string out;
    size_t start = 0;
    while (start < listing.size()) {
        size_t nl = listing.find('\n', start);
        if (!out.empty()) {
            out += " | ";
        }
        out.append(listing, start, nl - start);
        start = nl + 1;
    }
    return out;
}

std::string events(std::string_view xml, XmlOptions options) {
    XmlReader reader(xml, options);
    return joined(renderEvents(reader));
}

struct Case {
    std::string xml;
    XmlOptions options;
    std::string expected;
};

void checkCases(const std::vector<Case>& cases) {
    for (const auto& c : cases) {
        EXPECT_EQ(events(c.xml, c.options), c.expected) << "input: " << c.xml;
    }
}

TEST(XmlReader, ElementsAndAttributes) {
    checkCases({
        {R"(<sheet name="Q1" sheetId="1" r:id="rId1"/>)", plain,
         "ElementOpen sheet | Attribute name=Q1 | Attribute sheetId=1 | Attribute r:id=rId1 | "
         "ElementClose | ElementEnd sheet | EndOfInput"},
        {"<sheets></sheets>", plain, "ElementStart sheets | ElementEnd sheets | EndOfInput"},
        {"<x/>", plain, "ElementStart x | ElementEnd x | EndOfInput"},
        {"<x />", plain, "ElementStart x | ElementEnd x | EndOfInput"},
        {"<a\tb = 'v' >t</a >", plain,
         "ElementOpen a | Attribute b=v | ElementClose | CharData t | ElementEnd a | EndOfInput"},
        {R"(<a x='say "hi"' y="it's"></a>)", plain,
         "ElementOpen a | Attribute x=say \"hi\" | Attribute y=it's | ElementClose | "
         "ElementEnd a | EndOfInput"},
        {"<_a.b-c:d\xC3\xA9 e=\"\"/>", plain,
         "ElementOpen _a.b-c:d\xC3\xA9 | Attribute e= | ElementClose | "
         "ElementEnd _a.b-c:d\xC3\xA9 | EndOfInput"},
        // End tags are not matched against start tags.
        {"<a></b></c>", plain, "ElementStart a | ElementEnd b | ElementEnd c | EndOfInput"},
        {"", plain, "EndOfInput"},
    });
}

TEST(XmlReader, CharDataWhitespaceAndFiltering) {
    checkCases({
        {"<t> a &amp; b</t>", keepWs,
         "ElementStart t | Whitespace   | CharData a  | CharData & | Whitespace   | CharData b "
         "| ElementEnd t | EndOfInput"},
        {"<t> a &amp; b</t>", plain,
         "ElementStart t | CharData a  | CharData & | Whitespace   | CharData b | ElementEnd t "
         "| EndOfInput"},
        {"<t>&nbsp;x</t>", plain,
         "ElementStart t | Entity nbsp | CharData x | ElementEnd t | "
         "EndOfInput"},
        {"<a>\n <b/>\n</a>", plain,
         "ElementStart a | ElementStart b | ElementEnd b | ElementEnd a | EndOfInput"},
        {"<a>\n <b/>\n</a>", keepWs,
         "ElementStart a | Whitespace \\n  | ElementStart b | ElementEnd b | Whitespace \\n | "
         "ElementEnd a | EndOfInput"},
        // Whitespace after a comment, even one passed over, is kept.
        {"<a><!--c--> x</a>", plain,
         "ElementStart a | Whitespace   | CharData x | ElementEnd a | EndOfInput"},
        {"<a><!--c--> x</a>", comments,
         "ElementStart a | Comment c | Whitespace   | CharData x | ElementEnd a | EndOfInput"},
        {"&e; x", plain, "Entity e | Whitespace   | CharData x | EndOfInput"},
        // The token before the whitespace decides, not the Error event in between.
        {"a & b", plain,
         "CharData a  | CharData & | Error | Whitespace   | CharData b | "
         "EndOfInput"},
        {"a<b/> c", plain, "CharData a | ElementStart b | ElementEnd b | CharData c | EndOfInput"},
        {"x ]]> y", plain, "CharData x ]]> y | EndOfInput"},
        {"<a>x<!-- c -->y</a>", plain,
         "ElementStart a | CharData x | CharData y | ElementEnd a | EndOfInput"},
        {"<a><![CDATA[<b>&amp;]]]></a>", plain,
         "ElementStart a | CData <b>&amp;] | ElementEnd a | EndOfInput"},
        {"<!DOCTYPE x [<!ENTITY e \"v\">]><a/>", plain,
         "Special DOCTYPE x [<!ENTITY e \"v\">] | ElementStart a | ElementEnd a | EndOfInput"},
        {"<a/><?pi  some ? value?>", plain,
         "ElementStart a | ElementEnd a | ProcessingInstruction pi   some ? value | EndOfInput"},
    });
}

TEST(XmlReader, DeclarationOnlyDroppedAtTheStart) {
    checkCases({
        {"<?xml version=\"1.0\"?>\n<a/>", plain, "ElementStart a | ElementEnd a | EndOfInput"},
        {"<?xml version=\"1.0\"?>\n<a/>", keepWs,
         "Whitespace \\n | ElementStart a | ElementEnd a | EndOfInput"},
        {"\n<!--c--><?xml?><a/>", plain, "ElementStart a | ElementEnd a | EndOfInput"},
        {"<a/><?xml v?>", plain,
         "ElementStart a | ElementEnd a | ProcessingInstruction xml  v | EndOfInput"},
        {"<?xml-stylesheet h?><a/>", plain,
         "ProcessingInstruction xml-stylesheet  h | ElementStart a | ElementEnd a | EndOfInput"},
        {"\xEF\xBB\xBF<?xml version=\"1.0\"?><a/>", plain,
         "CharData \xEF\xBB\xBF | ProcessingInstruction xml  version=\"1.0\" | ElementStart a | "
         "ElementEnd a | EndOfInput"},
    });
}

TEST(XmlReader, AttributeValueNormalisation) {
    checkCases({
        {R"(<a v="  one   two  "/>)", plain,
         "ElementOpen a | Attribute v= one two | ElementClose | ElementEnd a | EndOfInput"},
        {"<a v=\"x\ny\" w=\"x\r\n\ty\" u=\" \"/>", plain,
         "ElementOpen a | Attribute v=x y | Attribute w=x y | Attribute u= | ElementClose | "
         "ElementEnd a | EndOfInput"},
        {R"(<a v="a b" w=" a" x="a 'b">)", plain,
         "ElementOpen a | Attribute v=a b | Attribute w= a | Attribute x=a 'b | ElementClose | "
         "EndOfInput"},
        {R"(<a v="&lt;&#65;&nbsp;&x y" w="  &amp;x &#32; z"/>)", plain,
         "ElementOpen a | Attribute v=<Anbsp&x y | Attribute w= &x   z | ElementClose | "
         "ElementEnd a | EndOfInput"},
        {R"(<a v="&lt;&quot;&apos;&gt;&amp;"/>)", plain,
         "ElementOpen a | Attribute v=<\"'>& | ElementClose | ElementEnd a | EndOfInput"},
        // A lone "&" is kept, and the rest of the tag arrives as text after the Error.
        {R"(<a v="x & y" w="1"/>)", plain,
         "ElementOpen a | Attribute v=x & y | Error | CharData w=\"1\"/> | EndOfInput"},
    });
}

TEST(XmlReader, References) {
    checkCases({
        {"&lt;&gt;&amp;&apos;&quot;", plain,
         "CharData < | CharData > | CharData & | CharData ' | CharData \" | EndOfInput"},
        {"&#65;&#x41;&#x0041;&#65&#x41", plain,
         "CharData A | CharData A | CharData A | CharData A | CharData A | EndOfInput"},
        {"&#233;", plain, "CharData \xC3\xA9 | EndOfInput"},
        {"&#x100000041;&#xAbCdEf00000041;", plain, "CharData A | CharData A | EndOfInput"},
        {"&#X41;", plain, "CharData \\x00 | CharData X41; | EndOfInput"},
        {"&#;&#x;&#0;&#", plain,
         "CharData \\x00 | CharData \\x00 | CharData \\x00 | CharData \\x00 | EndOfInput"},
        {"&#x80000000;&#xFFFFFFFF;z", plain, "CharData  | CharData  | CharData z | EndOfInput"},
        {"&lt&nbsp x&ltx;", plain,
         "CharData &lt | CharData &nbsp | Whitespace   | CharData x | "
         "Entity ltx | EndOfInput"},
        {"&;", plain, "CharData & | Error | CharData ; | EndOfInput"},
        {"&&", plain, "CharData & | Error | CharData & | Error | EndOfInput"},
        {"&#x20; x", plain, "CharData   | Whitespace   | CharData x | EndOfInput"},
    });
}

TEST(XmlReader, CharacterReferenceEncoding) {
    struct Ref {
        std::string xml;
        std::string bytes;
    };
    std::vector<Ref> refs = {
        {"&#127;", "\x7F"},
        {"&#128;", "\xC2\x80"},
        {"&#x7FF;", "\xDF\xBF"},
        {"&#x800;", "\xE0\xA0\x80"},
        {"&#xD800;", "\xED\xA0\x80"}, // surrogates are not checked
        {"&#xFFFF;", "\xEF\xBF\xBF"},
        {"&#x10000;", "\xF0\x90\x80\x80"},
        {"&#x1FFFFF;", "\xF7\xBF\xBF\xBF"},
        {"&#x200000;", "\xF8\x88\x80\x80\x80"},
        {"&#x3FFFFFF;", "\xFB\xBF\xBF\xBF\xBF"},
        {"&#x4000000;", "\xFC\x84\x80\x80\x80\x80"},
        {"&#2147483647;", "\xFD\xBF\xBF\xBF\xBF\xBF"},
        {"&#x7FFFFFFF;", "\xFD\xBF\xBF\xBF\xBF\xBF"},
        {"&#0;", "\0"s},
        {"&#x80000000;", ""},
    };
    for (const auto& ref : refs) {
        XmlReader reader(ref.xml, plain);
        reader.nextEvent();
        EXPECT_EQ(reader.kind(), XmlEventKind::CharData) << ref.xml;
        EXPECT_EQ(reader.text(), ref.bytes) << ref.xml;
    }
}

TEST(XmlReader, DecimalReferenceBeyond32BitsIsOverflowError) {
    for (std::string xml : {"<a>&#2147483648;</a>", "<a v=\"&#99999999999999999999999;\"/>",
                            "<a>&#000000000002147483648</a>"}) {
        XmlReader reader(xml, plain);
        try {
            for (int i = 0; i < 10; ++i) {
                reader.nextEvent();
            }
            ADD_FAILURE() << "no error for " << xml;
        } catch (const base::OverflowError& e) {
            EXPECT_EQ(e.message(), "over- or underflow");
        }
    }
}

TEST(XmlReader, LineBreaks) {
    checkCases({
        {"a\r\nb\rc\n\rd", plain, "CharData a\\nb\\nc\\n\\nd | EndOfInput"},
        {"<a>\r\n\r</a>", keepWs, "ElementStart a | Whitespace \\n\\n | ElementEnd a | EndOfInput"},
        {"<![CDATA[x\r\ny\r]]>", plain, "CData x\\ny\\n | EndOfInput"},
        {"<a/><?p x\r\ny\r?>", plain,
         "ElementStart a | ElementEnd a | ProcessingInstruction p  x\\ny\\n | EndOfInput"},
        {"<!--a\r\nb\r-->", comments, "Comment a\\nb\\n | EndOfInput"},
        {"<!DOCTYPE a\r\nb>", plain, "Special DOCTYPE a\\r\\nb | EndOfInput"},
        {"<a\r\nb\r=\r'1'\r/>", plain,
         "ElementOpen a | Attribute b=1 | ElementClose | ElementEnd a | EndOfInput"},
    });
}

TEST(XmlReader, NulByteEndsTheInput) {
    checkCases({
        {"<a>b\0<c/>"s, plain, "ElementStart a | CharData b | EndOfInput"},
        {"<a x=\"1\0\"/>"s, plain, "ElementOpen a | Attribute x=1 | Error | EndOfInput"},
        {"\0<a/>"s, plain, "EndOfInput"},
    });
}

// Every truncation of each construct: the event in progress, then Error, then EndOfInput.
TEST(XmlReader, Truncations) {
    checkCases({
        {"<", plain, "CharData < | Error | EndOfInput"},
        {"<a", plain, "ElementStart a | Error | EndOfInput"},
        {"<a ", plain, "ElementStart a | Error | EndOfInput"},
        {"<a/", plain, "ElementStart a | Error | EndOfInput"},
        {"<a x", plain, "ElementOpen a | Attribute x= | Error | EndOfInput"},
        {"<a x ", plain, "ElementOpen a | Attribute x= | Error | EndOfInput"},
        {"<a x=", plain, "ElementOpen a | Attribute x= | Error | EndOfInput"},
        {"<a x=\"", plain, "ElementOpen a | Attribute x= | Error | EndOfInput"},
        {"<a x=\"1", plain, "ElementOpen a | Attribute x=1 | Error | EndOfInput"},
        {"<a x=\"1 &amp", plain, "ElementOpen a | Attribute x=1 &amp | Error | EndOfInput"},
        {"<a x=\"1\"", plain, "ElementOpen a | Attribute x=1 | Attribute = | Error | EndOfInput"},
        {"<a x=\"1\" ", plain, "ElementOpen a | Attribute x=1 | Attribute = | Error | EndOfInput"},
        {"<a x=\"1\"/", plain, "ElementOpen a | Attribute x=1 | Attribute = | Error | EndOfInput"},
        {"</", plain, "ElementEnd  | Error | EndOfInput"},
        {"</a", plain, "ElementEnd a | Error | EndOfInput"},
        {"</a ", plain, "ElementEnd a | Error | EndOfInput"},
        {"<!", plain, "Special  | Error | EndOfInput"},
        {"<!-", plain, "Special - | Error | EndOfInput"},
        {"<!D", plain, "Special D | Error | EndOfInput"},
        {"<!D<>", plain, "Special D<> | Error | EndOfInput"},
        {"<!--", plain, "Error | EndOfInput"},
        {"<!--x-", plain, "Error | EndOfInput"},
        {"<!--x--", plain, "Error | EndOfInput"},
        {"<!--x--", comments, "Comment x-- | Error | EndOfInput"},
        {"<![", plain, "Special [ | Error | EndOfInput"},
        {"<![CDATA", plain, "Special [CDATA | Error | EndOfInput"},
        {"<![CDATA[", plain, "CData  | Error | EndOfInput"},
        {"<![CDATA[x]", plain, "CData x] | Error | EndOfInput"},
        {"<![CDATA[x]]", plain, "CData x]] | Error | EndOfInput"},
        {"<?xml", plain, "Error | EndOfInput"},
        {"<?xml v?", plain, "Error | EndOfInput"},
        {"<r/><?", plain,
         "ElementStart r | ElementEnd r | ProcessingInstruction   | Error | "
         "EndOfInput"},
        {"<r/><?p", plain,
         "ElementStart r | ElementEnd r | ProcessingInstruction p  | Error | "
         "EndOfInput"},
        {"<r/><?p x?", plain,
         "ElementStart r | ElementEnd r | ProcessingInstruction p  x? | "
         "Error | EndOfInput"},
        {"&", plain, "CharData & | Error | EndOfInput"},
        {"&a", plain, "CharData &a | EndOfInput"},
        {"&#", plain, "CharData \\x00 | EndOfInput"},
        {"&#x4", plain, "CharData \\x04 | EndOfInput"},
    });
}

TEST(XmlReader, ErrorThenReadingGoesOnAsText) {
    checkCases({
        {"<a b>x</a>", plain,
         "ElementOpen a | Attribute b= | Error | CharData >x | ElementEnd a | EndOfInput"},
        {"<a b=\"1\" c>t</a>", plain,
         "ElementOpen a | Attribute b=1 | Attribute c= | Error | CharData >t | ElementEnd a | "
         "EndOfInput"},
        {"<a x=1 y=\"2\">", plain,
         "ElementOpen a | Attribute x=1 | Error | CharData y=\"2\"> | EndOfInput"},
        {"<a x=\"1\" / y=\"2\">", plain,
         "ElementOpen a | Attribute x=1 | Attribute = | Error | CharData y=\"2\"> | EndOfInput"},
        {"<a x=\"1\" ?>", plain,
         "ElementOpen a | Attribute x=1 | Attribute = | Error | CharData ?> | EndOfInput"},
        {"<a/b>", plain, "ElementStart a | Error | CharData b> | EndOfInput"},
        {"<a ?>", plain, "ElementStart a | Error | CharData ?> | EndOfInput"},
        {"</a b>", plain, "ElementEnd a | Error | CharData b> | EndOfInput"},
        {"</>x", plain, "ElementEnd  | Error | CharData x | EndOfInput"},
        {"<1a>", plain, "CharData < | Error | CharData 1a> | EndOfInput"},
        {"a < b", plain,
         "CharData a  | CharData < | Error | Whitespace   | CharData b | "
         "EndOfInput"},
        {"<<a/>", plain, "CharData < | Error | ElementStart a | ElementEnd a | EndOfInput"},
    });
}

TEST(XmlReader, EndOfInputRepeatsAndCloseEndsReading) {
    XmlReader reader("<a", plain);
    std::string seen;
    for (int i = 0; i < 6; ++i) {
        reader.nextEvent();
        seen += renderEvent(reader) + ";";
    }
    EXPECT_EQ(seen, "ElementStart a;Error;EndOfInput;EndOfInput;EndOfInput;EndOfInput;");

    XmlReader closed("<a>text</a>", plain);
    closed.nextEvent();
    closed.close();
    closed.nextEvent();
    EXPECT_EQ(closed.kind(), XmlEventKind::EndOfInput);
}

TEST(XmlReader, ElementHelpers) {
    XmlReader reader("<x:sheet a=\"1\">", plain);
    reader.nextEvent();
    EXPECT_TRUE(isElement(reader, XmlEventKind::ElementOpen, "x:sheet"));
    EXPECT_FALSE(isElement(reader, XmlEventKind::ElementOpen, "sheet"));
    EXPECT_FALSE(isElement(reader, XmlEventKind::ElementStart, "x:sheet"));
    EXPECT_TRUE(isElementLocal(reader, XmlEventKind::ElementOpen, "sheet"));
    EXPECT_EQ(localName("a:b:c"), "c");
    EXPECT_EQ(localName("c"), "c");
}

TEST(XmlEventsText, EscapesControlBytes) {
    std::string out;
    appendEscaped(out, "a\\b\n\r\t\x01\x1F\x7F\x80 z"s + '\0');
    EXPECT_EQ(out, "a\\\\b\\n\\r\\t\\x01\\x1F\\x7F\x80 z\\x00");
}

// A file that hands out its bytes in pieces of varying size, or fails after a while.
class PieceFile final : public platform::File {
public:
    PieceFile(std::string bytes, size_t piece, int64_t failAt = -1)
        : bytes_(std::move(bytes)), piece_(piece), failAt_(failAt) {}
    int64_t read(void* buffer, size_t n) override {
        if (failAt_ >= 0 && offset_ >= static_cast<size_t>(failAt_)) {
            return -1;
        }
        size_t step = piece_ == 0 ? n : 1 + (offset_ * 7 + calls_++) % piece_;
        size_t take = std::min({n, step, bytes_.size() - offset_});
        std::memcpy(buffer, bytes_.data() + offset_, take);
        offset_ += take;
        return static_cast<int64_t>(take);
    }
    size_t write(const void*, size_t) override { return 0; }
    bool flush() override { return true; }
    bool close() override { return true; }

private:
    std::string bytes_;
    size_t piece_;
    int64_t failAt_;
    size_t offset_ = 0;
    size_t calls_ = 0;
};

std::string fileEvents(const std::string& bytes, XmlOptions options, size_t piece) {
    XmlReader reader(std::make_unique<PieceFile>(bytes, piece), "piece.xml", options);
    return renderEvents(reader);
}

// Constructs placed so that they straddle the 8192-byte block boundary at every offset.
TEST(XmlReader, TokensAcrossBlockBoundaries) {
    std::vector<std::string> constructs = {
        "<worksheet_element_name attribute_name=\"attribute value\"/>",
        "<c r=\"A1\" s=\"1\" t=\"s\"><v>12345</v></c>",
        "<t>some  character data\r\nwith a line break &amp; &#x10FFFF; &#233; &nbsp; &x &</t>",
        "<a v=\"  spaced   &lt;value&gt;\r\n \" w='&#1234;'/>",
        "<!-- a comment -- with dashes --><![CDATA[ cdata ]] ]]><?pi value ? here?>",
        "<!DOCTYPE d [<!ELEMENT e (#PCDATA)>]>\r\n   \t<e/>",
        "<a b=1 c>\r</a\r\n>",
    };
    std::string dir = testing::scratchFolder("xml_reader_blocks");
    int fileNo = 0;
    for (const auto& construct : constructs) {
        for (size_t shift = 0; shift <= construct.size() + 2; ++shift) {
            // Padding of elements and text, then the construct starting shift bytes before the
            // boundary; repeated so that the second boundary is crossed as well.
            std::string doc = "<root><p a=\"1\"/>text<p/>";
            doc.resize(8192 - shift - 1, 'x');
            doc += ' ';
            for (int i = 0; i < 4; ++i) {
                doc += construct;
            }
            doc += "</root>";
            for (XmlOptions options : {plain, keepWs}) {
                std::string expected = [&] {
                    XmlReader reader(doc, options);
                    return renderEvents(reader);
                }();
                ASSERT_EQ(fileEvents(doc, options, 0), expected) << construct << " " << shift;
                ASSERT_EQ(fileEvents(doc, options, 13), expected) << construct << " " << shift;
                if (shift % 8 == 0) {
                    std::string path = base::joinPath(dir, std::to_string(fileNo++) + ".xml");
                    testing::writeFile(path, doc);
                    auto reader = XmlReader::openFile(path, options);
                    EXPECT_EQ(reader->fileName(), path);
                    ASSERT_EQ(renderEvents(*reader), expected) << construct << " " << shift;
                    reader->close();
                }
            }
        }
    }
}

// Tokens larger than a block are held whole.
TEST(XmlReader, TokensLongerThanABlock) {
    std::string longText(100000, 'x');
    std::string longValue;
    std::string decoded; // the value as delivered
    for (int i = 0; i < 20000; ++i) {
        longValue += "ab &amp; ";
        decoded += i == 0 ? "ab &" : " ab &";
    }
    std::string longName(30000, 'n');
    std::string doc = "<" + longName + " a=\"" + longValue + "\" b=\"" + longText + "\"/><t>" +
                      longText + "\r\n" + longText + "</t><!--" + longText + "-->";
    XmlReader memory(doc, plain);
    std::string expected = renderEvents(memory);
    EXPECT_EQ(fileEvents(doc, plain, 0), expected);
    EXPECT_EQ(fileEvents(doc, plain, 4000), expected);
    EXPECT_EQ(expected, "ElementOpen " + longName + "\nAttribute a=" + decoded +
                            "\nAttribute b=" + longText + "\nElementClose\nElementEnd " + longName +
                            "\nElementStart t\nCharData " + longText + "\\n" + longText +
                            "\nElementEnd t\nEndOfInput\n");
}

TEST(XmlReader, ReadErrorEndsTheInput) {
    std::string doc = "<a>" + std::string(9000, 'x') + "</a>";
    XmlReader reader(std::make_unique<PieceFile>(doc, 0, 8192), "failing.xml", plain);
    EXPECT_EQ(joined(renderEvents(reader)),
              "ElementStart a | CharData " + std::string(8189, 'x') + " | EndOfInput");
}

TEST(XmlReader, NulByteInAFileEndsItThere) {
    std::string doc = "<a>" + std::string(10000, 'x') + '\0' + "</a>";
    EXPECT_EQ(joined(fileEvents(doc, plain, 0)),
              "ElementStart a | CharData " + std::string(10000, 'x') + " | EndOfInput");
}

TEST(XmlReader, MissingFileIsIOError) {
    std::string path = base::joinPath(testing::scratchFolder("xml_reader_missing"), "no.xml");
    try {
        XmlReader::openFile(path, plain);
        FAIL() << "no error";
    } catch (const base::IOError& e) {
        EXPECT_EQ(e.message(), "Unable to read file: " + path);
    }
}

std::string runTool(const std::string& arguments, int& status) {
    const char* binary = std::getenv("LEDGERINE_BINARY_DIR");
    std::string command =
        std::string(binary ? binary : ".") + "/app/ledgerine-xml-events " + arguments + " 2>&1";
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        status = -1;
        return out;
    }
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) {
        out.append(chunk, n);
    }
    int raw = pclose(pipe);
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return out;
}

TEST(XmlEventsTool, PrintsEventsAndReportsErrors) {
    if (std::getenv("LEDGERINE_BINARY_DIR") == nullptr) {
        GTEST_SKIP() << "LEDGERINE_BINARY_DIR not set";
    }
    std::string dir = testing::scratchFolder("xml_events_tool");
    std::string path = base::joinPath(dir, "part.xml");
    testing::writeFile(path, "<?xml version=\"1.0\"?>\r\n<sst count=\"1\">\n <si><t>a\tb\x01</t>"
                             "</si><?p\\?></sst>");
    int status = 0;
    EXPECT_EQ(runTool("'" + path + "'", status),
              "ElementOpen sst\nAttribute count=1\nElementClose\nElementStart si\n"
              "ElementStart t\nCharData a\\tb\\x01\nElementEnd t\nElementEnd si\n"
              "ProcessingInstruction p \\\\\nElementEnd sst\nEndOfInput\n");
    EXPECT_EQ(status, 0);
    std::string head = "Whitespace \\n\nElementOpen sst\nAttribute count=1\nElementClose\n"
                       "Whitespace \\n \n";
    EXPECT_EQ(runTool("--keep-whitespace '" + path + "'", status).substr(0, head.size()), head);
    EXPECT_EQ(status, 0);

    std::string missing = base::joinPath(dir, "missing.xml");
    EXPECT_EQ(runTool("'" + missing + "'", status),
              "ledgerine-xml-events: Unable to read file: " + missing + "\n");
    EXPECT_EQ(status, 1);
    runTool("", status);
    EXPECT_EQ(status, 2);
    runTool("--bad '" + path + "'", status);
    EXPECT_EQ(status, 2);
}

} // namespace
} // namespace ledgerine::xlsx
