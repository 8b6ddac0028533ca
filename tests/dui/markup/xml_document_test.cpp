// XmlDocument: the parse mode of markup files, refused input (malformed, empty,
// too deep) with its diagnostic, and wide characters the parser's tables would
// misread.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "dui/markup/xml_document.h"

namespace dui {
namespace {

std::unique_ptr<XmlDocument> parseText(const std::string& utf8, std::wstring* error = nullptr) {
  return XmlDocument::parse(utf8.data(), utf8.size(), L"test.xml", error);
}

std::wstring attribute(const XmlNode* node, const wchar_t* name) {
  const XmlAttribute* a = node ? node->first_attribute(name) : nullptr;
  return a ? std::wstring(a->value(), a->value_size()) : L"<none>";
}

std::string repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

TEST(XmlDocumentTest, ParseModeOfMarkupFiles) {
  // Declaration, comments, DOCTYPE and processing instructions are no nodes;
  // references stay literal; either quote works; closing names are not compared.
  auto doc = parseText(
      "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
      "<!DOCTYPE Window [ <!ENTITY x \"<b>\"> ]>\n"
      "<!-- a comment <c> -->\n"
      "<Window text=\"a &amp; b &#65;\" font='Default.Bold'>\n"
      "  <?pi <d> ?>\n"
      "  <!-- inner -->\n"
      "  <Label/>\n"
      "  <Button></Label>\n"
      "</Window>");
  ASSERT_NE(doc, nullptr);
  XmlNode* root = doc->root();
  EXPECT_TRUE(hasName(root, L"Window"));
  EXPECT_EQ(attribute(root, L"text"), L"a &amp; b &#65;");
  EXPECT_EQ(attribute(root, L"font"), L"Default.Bold");
  XmlNode* first = firstChildElement(root);
  EXPECT_TRUE(hasName(first, L"Label"));
  XmlNode* second = nextSiblingElement(first);
  EXPECT_TRUE(hasName(second, L"Button"));
  EXPECT_EQ(nextSiblingElement(second), nullptr);
  EXPECT_EQ(firstChildElement(second), nullptr);
}

TEST(XmlDocumentTest, CharactersAboveLatin1SurviveTheParser) {
  // U+4E00 has a low byte of 0, U+4E22 of '"', U+4E3C of '<', U+4E3E of '>'.
  const std::string text = "\xE4\xB8\x80\xE4\xB8\xA2\xE4\xB8\xBC\xE4\xB8\xBE \xE6\x96\xB0\xE5\xAE\x8B\xE4\xBD\x93 \xF0\x9F\x98\x80";
  const std::wstring wide = L"\x4E00\x4E22\x4E3C\x4E3E \x65B0\x5B8B\x4F53 \xD83D\xDE00";
  auto doc = parseText("<Font face=\"" + text + "\" name='" + text + "'><\xE4\xB8\x80 a=\"1\">" + text +
                       "</\xE4\xB8\x80></Font>");
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(attribute(doc->root(), L"face"), wide);
  EXPECT_EQ(attribute(doc->root(), L"name"), wide);
  XmlNode* child = firstChildElement(doc->root());
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(std::wstring(child->name()), L"\x4E00");
  EXPECT_EQ(attribute(child, L"a"), L"1");
  EXPECT_EQ(std::wstring(child->value()), wide);
}

TEST(XmlDocumentTest, OnlyTheGivenBytesAreRead) {
  const std::string text = "<a/><b";   // the second element lies beyond `size`
  auto doc = XmlDocument::parse(text.data(), 4, L"x.xml");
  ASSERT_NE(doc, nullptr);
  EXPECT_TRUE(hasName(doc->root(), L"a"));
}

TEST(XmlDocumentTest, RefusedDocumentsReturnNothingAndSayWhy) {
  struct Case {
    const char* text;
    const wchar_t* reason;   // part of the diagnostic
  } cases[] = {
      {"", L"no element"},
      {"  \r\n\t", L"no element"},
      {"<?xml version=\"1.0\"?><!-- nothing else -->", L"no element"},
      {"\xEF\xBB\xBF", L"no element"},
      {"<Window", L"expected >\" at character 7"},
      {"<Window><Label></Window>", L"unexpected end of data"},
      {"<Window text=Label/>", L"expected ' or \"\" at character 13"},
      {"<Window text=\"abc/>", L"expected ' or \"\" at character 19"},
      {"<Window text></Window>", L"expected =\" at character 12"},
      {"<Window><></Window>", L"expected element name"},
      {"<Window x=\"1\" y/>", L"expected ="},
      {"<Window x=\"1\" / >", L"expected >"},
      {"just text", L"expected <\" at character 0 (line 1)"},
      {"<Window>\n<Label text=x/>", L"expected ' or \"\" at character 21 (line 2)"},
  };
  for (const Case& c : cases) {
    const std::string text = c.text;
    SCOPED_TRACE(c.text);
    std::wstring error;
    EXPECT_EQ(parseText(text, &error), nullptr);
    EXPECT_EQ(error.rfind(L"test.xml: ", 0), 0u) << std::string(error.begin(), error.end());
    EXPECT_NE(error.find(c.reason), std::wstring::npos) << std::string(error.begin(), error.end());
  }
  // An embedded zero byte ends the text for the parser.
  std::wstring error;
  EXPECT_EQ(parseText(std::string("<Window>\0</Window>", 18), &error), nullptr);
  EXPECT_NE(error.find(L"unexpected end of data"), std::wstring::npos);
  EXPECT_EQ(XmlDocument::parse(nullptr, 0, L"none.xml"), nullptr);
}

TEST(XmlDocumentTest, NestingDeeperThanTheBoundIsRefusedBeforeParsing) {
  struct Case {
    const char* what;
    std::string text;
    bool accepted;
  } cases[] = {
      {"256 levels", repeat("<a>", 256) + repeat("</a>", 256), true},
      {"257 levels", repeat("<a>", 257) + repeat("</a>", 257), false},
      {"257 levels, never closed", repeat("<a>", 257), false},
      {"quoted '/>' and '>' do not close", repeat("<a v=\"/>\" w='>'>", 300) + repeat("</a>", 300), false},
      {"many siblings are shallow", "<r>" + repeat("<a/><b x='1'></b>", 2000) + "</r>", true},
      {"tags inside comments and CDATA do not count",
       "<r>" + repeat("<!-- <a> -->", 300) + repeat("<![CDATA[<a>]]>", 300) + "</r>", true},
      {"an unknown declaration ends at its first '>'", "<!X [>" + repeat("<a>", 300), false},
      {"a DOCTYPE subset may hide tags", "<!DOCTYPE r [" + repeat("<a>", 300) + "]><r/>", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::wstring error;
    auto doc = parseText(c.text, &error);
    EXPECT_EQ(doc != nullptr, c.accepted) << std::string(error.begin(), error.end());
    if (!c.accepted) {
      EXPECT_NE(error.find(L"nested deeper than 256"), std::wstring::npos);
    }
  }
}

// Touches every name and value so a bad pointer would show.
size_t walk(const XmlNode* node) {
  size_t total = 0;
  for (; node; node = nextSiblingElement(node)) {
    total += std::wstring(node->name()).size();
    for (const XmlAttribute* a = node->first_attribute(); a; a = a->next_attribute())
      total += std::wstring(a->name()).size() + std::wstring(a->value()).size();
    total += walk(firstChildElement(node));
  }
  return total;
}

TEST(XmlDocumentTest, MutatedDocumentsNeverCrash) {
  const std::string base =
      "<?xml version=\"1.0\"?>\n<!-- layout -->\n<Window initSize=\"600,400\" text='\xE5\xAE\x89\xE8\xA3\x85'>\n"
      "  <Grid margin=\"0,0,170,0\"><Label text=\"a &amp; b\" font=\"Default\"/>\n"
      "    <Button id=\"3\" style=\"button.xml\"><![CDATA[<x>]]></Button></Grid>\n"
      "  <TabItem><Canvas/><Canvas/></TabItem>\n</Window>\n";
  const char interesting[] = {'<', '>', '/', '"', '\'', '=', '!', '?', '[', ']', '-', ' ', '\0', 'a', '\xE4', '\xB8'};
  std::mt19937 random(20261210);
  for (int round = 0; round < 3000; ++round) {
    std::string text = base;
    const int edits = 1 + int(random() % 4);
    for (int e = 0; e < edits && !text.empty(); ++e) {
      const size_t at = random() % text.size();
      const char c = interesting[random() % sizeof(interesting)];
      switch (random() % 4) {
        case 0: text[at] = c; break;
        case 1: text.insert(text.begin() + at, c); break;
        case 2: text.erase(at, 1 + random() % 8); break;
        default: text.resize(at); break;
      }
    }
    if (auto doc = XmlDocument::parse(text.data(), text.size(), L"fuzz.xml")) {
      EXPECT_GT(walk(doc->root()) + 1, 0u);
    }
  }
}

}  // namespace
}  // namespace dui
