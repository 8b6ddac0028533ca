// JSON document model: the parser and writer as one table of texts, then the
// value model (sharing, typed access, diagnostics) and the writer's numbers.
// Built natively and for Windows.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "support/json.h"

namespace kavri {
namespace {

constexpr long kParses = -1;

// An input and either the text written back (`output`) or the byte position
// of the JParseException (`errorAt`, with output null).
struct TextCase {
  std::string input;
  const char* output;
  long errorAt;
};

TextCase ok(std::string input, const char* output) { return {std::move(input), output, kParses}; }
TextCase bad(std::string input, long errorAt) { return {std::move(input), nullptr, errorAt}; }

const std::vector<TextCase>& textCases() {
  static const std::vector<TextCase> cases = {
      // Documents and the top level.
      ok(" {\"b\":1,\"a\":[true,false,null]} ", "{\"a\":[true,false,null],\"b\":1}"),
      ok("null", "null"), ok(" true ", "true"), ok("false", "false"), ok("\"\"", "\"\""),
      ok("[]", "[]"), ok("{}", "{}"), ok("[[],[[]],{}]", "[[],[[]],{}]"), ok("[1,-1,0.5]", "[1,-1,0]"),
      ok("\t\r\n 7 \t\r\n", "7"),
      bad("{}x", 2), bad("{\"a\":1} x", 8), bad("", 0), bad(" \t\r\n", 4), bad("\f1", 0),
      bad("tru", 0), bad("  fals", 2), bad("nul", 0), bad("nullx", 4), bad("True", 0),
      // Arrays: a comma between elements, one trailing comma allowed.
      ok("[1,]", "[1]"), ok("[ 1 , ]", "[1]"), bad("[,1]", 1), bad("[1,,2]", 3), bad("[1 2]", 3),
      bad("[", 1), bad("[1", 2), bad("[1,", 3),
      // Objects: bare keys, duplicates, key order by UTF-16 code units.
      ok("{name:1}", "{\"name\":1}"), ok("{ name : 1 }", "{\"name\":1}"), ok("{a\t:1}", "{\"a\":1}"),
      ok("{:1}", "{\"\":1}"), ok("{a-b.c:1}", "{\"a-b.c\":1}"), ok("{a:1,,b:2}", "{\",b\":2,\"a\":1}"),
      ok("{\xC3\xA9:1}", "{\"\\u00e9\":1}"), bad("{\x80:1}", 1), bad("{na me:1}", 4),
      ok("{\"a\":1,\"a\":2}", "{\"a\":2}"), ok("{\"a\":1,}", "{\"a\":1}"), ok("{\"a\":1 , }", "{\"a\":1}"),
      ok("{\"b\":1,\"B\":2,\"a\":3}", "{\"B\":2,\"a\":3,\"b\":1}"),
      ok("{\"ab\":1,\"a\":2}", "{\"a\":2,\"ab\":1}"),
      ok("{\"\\uffff\":1,\"\\ud83d\\ude00\":2}", "{\"\\ud83d\\ude00\":2,\"\\uffff\":1}"),
      bad("{\"a\":1 \"b\":2}", 7), bad("{\"a\" 1}", 5), bad("{\"a\":}", 5), bad("{", 1),
      bad("{\"a\":1", 6), bad("{\"a", 3), bad("{a", 2),
      // Strings: escapes, raw control characters, UTF-8.
      ok("\"\\u00e9\"", "\"\\u00e9\""), ok("\"\\u00E9\"", "\"\\u00e9\""), ok("\"\xC3\xA9\"", "\"\\u00e9\""),
      ok("\"a\nb\"", "\"a\\nb\""), ok("\"\\\"\\\\\\/\\b\\f\\n\\r\\t\"", "\"\\\"\\\\\\/\\b\\f\\n\\r\\t\""),
      ok("\"/\"", "\"\\/\""), ok("\"\x01\x7f~ \"", "\"\\u0001\\u007f~ \""),
      ok("\"\\ud83d\\ude00\"", "\"\\ud83d\\ude00\""), ok("\"\\udc00\"", "\"\\udc00\""),
      ok("\"\xE4\xB8\xAD\"", "\"\\u4e2d\""), ok("\"\xC0\x80\"", "\"\\u0000\""),
      ok("\"\xED\xA0\x80\"", "\"\\ud800\""), ok("\"\xEF\xBF\xBF\"", "\"\\uffff\""),
      bad("\"\\x\"", 2), bad("\"\\u12g4\"", 5), bad("\"\\u12\"", 5), bad("\"\\u12", 5), bad("\"abc", 4),
      bad("\"\\", 2), bad("\"\xF0\x9F\x98\x80\"", 1), bad("\"\x80\"", 1), bad("\"\xBF\"", 1),
      bad("\"\xC3x\"", 2), bad("\"\xE4\xB8\"\"", 3), bad("\"\xE4x\xAD\"", 2), bad("\"\xC3", 2),
      bad("\"\xFF\"", 1),
      // Numbers: the loose grammar, converted like atof and written truncated.
      ok("1.5", "1"), ok("-2.9", "-2"), ok("+5", "5"), ok("007", "7"), ok("5.", "5"), ok(".5", "0"),
      ok("-.5", "0"), ok("-0", "0"), ok("1e3", "1000"), ok("1E+2", "100"), ok("25e-1", "2"),
      ok("1.e1", "10"), ok("1e5.3", "100000"), ok("1e.5", "1"), ok("[1e5.]", "[100000]"),
      bad("1.2.3", 3), bad("1e5e3", 3), bad("[1e5e3]", 4), bad("-", 1), bad("+", 1), bad("e5", 0),
      bad(".e5", 1), bad("1e", 2), bad("1e+", 3), bad("--1", 1), bad("+-1", 1), bad("x", 0), bad("1x", 1),
      bad("[1e]", 3), bad(".", 1), bad("[-]", 2),
      // Numbers beyond the 32-bit range keep their integer value; beyond a
      // double's range they become infinite (written as the 32-bit limit) or 0.
      ok("2147483647", "2147483647"), ok("-2147483648", "-2147483648"), ok("2147483648", "2147483648"),
      ok("-2147483649.7", "-2147483649"), ok("1e10", "10000000000"),
      ok("12345678901234567890", "12345678901234567168"), ok("1e999", "2147483647"),
      ok("-1e999", "-2147483648"), ok("1000e306", "2147483647"), ok("0.001e312", "2147483647"),
      ok("1e-999", "0"), ok("100000e-330", "0"), ok("-0.00001e-320", "0"),
  };
  return cases;
}

TEST(JsonText, ParsesAndWritesEveryCaseOfTheTable) {
  for (const TextCase& c : textCases()) {
    SCOPED_TRACE("input: " + c.input);
    if (c.output) {
      try {
        const JObject value = JObject::parse(c.input.c_str());
        const std::string text = value.toText();
        EXPECT_EQ(text, c.output);
        // What the writer produces parses back to the same text.
        EXPECT_EQ(JObject::parse(text.c_str()).toText(), text);
      } catch (const JParseException& e) {
        ADD_FAILURE() << "JParseException at " << e.position();
      }
    } else {
      try {
        JObject::parse(c.input.c_str());
        ADD_FAILURE() << "parsed, expected an error at " << c.errorAt;
      } catch (const JParseException& e) {
        EXPECT_EQ(long(e.position()), c.errorAt);
      }
    }
  }
}

TEST(JsonText, ParsedNumbersKeepTheirFractions) {
  EXPECT_EQ(JObject::parse("1.5").asNumber(), 1.5);
  EXPECT_EQ(JObject::parse("-2.5e-3").asNumber(), -2.5e-3);
  EXPECT_EQ(JObject::parse("+.25").asNumber(), 0.25);
  EXPECT_TRUE(std::isinf(JObject::parse("1e400").asNumber()));
}

TEST(JsonText, TheTextEndsAtTheFirstZeroByte) {
  const std::string text("[1]\0garbage", 11);
  EXPECT_EQ(JObject::parse(text.c_str()).toText(), "[1]");
}

TEST(JsonNesting, AMillionOpeningBracketsFailAtTheNestingLimit) {
  for (const char* opener : {"[", "{a:"}) {
    std::string text;
    for (int i = 0; i < 1000000; ++i) text += opener;
    try {
      JObject::parse(text.c_str());
      ADD_FAILURE() << "parsed";
    } catch (const JParseException& e) {
      EXPECT_EQ(e.position(), size_t(kJsonMaxNesting) * std::char_traits<char>::length(opener));
    }
  }
}

TEST(JsonNesting, NestingUpToTheLimitParsesAndWritesBack) {
  const std::string text = std::string(kJsonMaxNesting, '[') + std::string(kJsonMaxNesting, ']');
  EXPECT_EQ(JObject::parse(text.c_str()).toText(), text);
}

TEST(JsonModel, ParsedNullsShareOneNodeAndNewNullsDoNot) {
  const JObject list = JObject::parse("[null,{\"a\":null}]");
  const JObject& first = list.elements()[0];
  EXPECT_TRUE(first.sameNode(list.elements()[1].member(u"a")));
  EXPECT_TRUE(first.sameNode(JObject::sharedNull()));
  EXPECT_FALSE(JObject().sameNode(JObject::sharedNull()));
  EXPECT_FALSE(JObject(JType::Null).sameNode(JObject()));
}

TEST(JsonModel, HandlesShareNodesAndCountThem) {
  JObject a = JObject::makeString(u"x");
  {
    JObject b = a;
    EXPECT_TRUE(b.sameNode(a));
    EXPECT_EQ(a.useCount(), 2);
    b = b;   // self-assignment keeps the node alive
    EXPECT_EQ(b.asString(), u"x");
    b = JObject();
    EXPECT_EQ(a.useCount(), 1);
  }
  JObject list(JType::Array);
  list.append(a);
  list.append(a);
  EXPECT_EQ(a.useCount(), 3);
  EXPECT_TRUE(list.elements()[1].sameNode(a));
  EXPECT_EQ(list.toText(), "[\"x\",\"x\"]");
}

TEST(JsonModel, SetMemberInsertsThenReplacesAndReleasesTheOldValue) {
  JObject object(JType::Object);
  JObject first = JObject::makeNumber(1);
  JObject second = JObject::makeNumber(2);
  object.setMember(u"k", first);
  EXPECT_TRUE(object.member(u"k").sameNode(first));
  EXPECT_EQ(first.useCount(), 2);
  object.setMember(u"k", second);
  EXPECT_EQ(first.useCount(), 1);
  EXPECT_TRUE(object.member(u"k").sameNode(second));
  EXPECT_EQ(object.members().size(), 1u);
}

TEST(JsonModel, NewValuesOfEachTypeStartEmpty) {
  const struct {
    JType type;
    const char* text;
  } cases[] = {{JType::Null, "null"},   {JType::Number, "0"}, {JType::Boolean, "false"},
               {JType::Object, "{}"},   {JType::Array, "[]"}, {JType::String, "\"\""}};
  for (const auto& c : cases) {
    const JObject value(c.type);
    EXPECT_EQ(value.type(), c.type);
    EXPECT_EQ(value.toText(), c.text);
    EXPECT_EQ(value.useCount(), 1);
  }
}

void expectTypeError(void (*operation)(), JType expected, JType actual) {
  try {
    operation();
    ADD_FAILURE() << "no JTypeException";
  } catch (const JTypeException& e) {
    EXPECT_EQ(e.expected(), expected);
    EXPECT_EQ(e.actual(), actual);
  }
}

TEST(JsonModel, OperationsOnAnotherTypeThrowTheExpectedAndActualType) {
  expectTypeError([] { JObject::makeNumber(1).asString(); }, JType::String, JType::Number);
  expectTypeError([] { JObject::makeString(u"1").asNumber(); }, JType::Number, JType::String);
  expectTypeError([] { JObject().asBoolean(); }, JType::Boolean, JType::Null);
  expectTypeError([] { JObject(JType::Array).member(u"a"); }, JType::Object, JType::Array);
  expectTypeError([] { JObject(JType::Array).setMember(u"a", JObject()); }, JType::Object, JType::Array);
  expectTypeError([] { JObject(JType::Object).append(JObject()); }, JType::Array, JType::Object);
  expectTypeError([] { JObject(JType::Object).elements(); }, JType::Array, JType::Object);
  expectTypeError([] { JObject(JType::String).members(); }, JType::Object, JType::String);
}

std::vector<std::u16string> g_diagnostics;
void captureDiagnostic(const std::u16string& piece) { g_diagnostics.push_back(piece); }

TEST(JsonModel, MissingKeyWritesThreeDiagnosticPiecesThenThrows) {
  g_diagnostics.clear();
  const JDiagnosticWriter previous = setJsonDiagnosticWriter(&captureDiagnostic);
  const JObject object = JObject::parse("{\"present\":1}");
  try {
    object.member(u"m\u00e9");
    ADD_FAILURE() << "no JKeyNotFoundException";
  } catch (const JKeyNotFoundException& e) {
    EXPECT_EQ(e.key(), u"m\u00e9");
  }
  setJsonDiagnosticWriter(previous);
  EXPECT_EQ(g_diagnostics, (std::vector<std::u16string>{u"KeyNotFound:", u"m\u00e9", u"\n"}));
}

TEST(JsonWriter, NumbersAreWrittenAsTruncatedIntegers) {
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {12.7, "12"},
      {-12.7, "-12"},
      {-0.0, "0"},
      {-0.9, "0"},
      {2147483647.9, "2147483647"},
      {-2147483648.9, "-2147483648"},
      {3e9, "3000000000"},
      {-3e9, "-3000000000"},
      {1e20, "100000000000000000000"},
      {inf, "2147483647"},
      {-inf, "-2147483648"},
      {std::numeric_limits<double>::quiet_NaN(), "0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(JObject::makeNumber(c.value).toText(), c.text);
  }
}

TEST(JsonWriter, StringsAreEscapedToPureAscii) {
  const std::u16string text = {u'a', 0, 0x1f, 0x7f, 0x80, 0xe9, 0xd800, 0xffff, u'\b', u'\f', u'\r', u'\t', u'\n'};
  EXPECT_EQ(JObject::makeString(text).toText(),
            "\"a\\u0000\\u001f\\u007f\\u0080\\u00e9\\ud800\\uffff\\b\\f\\r\\t\\n\"");
}

}  // namespace
}  // namespace kavri
