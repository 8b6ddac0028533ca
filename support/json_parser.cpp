// Lenient JSON parser: bare object keys, trailing commas, a loose number
// grammar and UTF-8 decoding into UTF-16. Positions are byte offsets.
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

#include "support/json.h"

namespace kavri {
namespace {

bool isWhitespace(unsigned char c) { return c == '\t' || c == '\n' || c == '\r' || c == ' '; }
bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool isContinuation(unsigned char c) { return c >= 0x80 && c <= 0xBF; }

int hexValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The value of a scanned number whose magnitude does not fit in a double:
// infinity when its decimal exponent is positive, zero otherwise (as the C
// library's decimal conversion gives).
double outOfRangeValue(const char* first, const char* last) {
  const bool negative = *first == '-';
  if (*first == '-' || *first == '+') ++first;
  long magnitude = 0;   // power of ten of the first significant digit
  bool significant = false;
  bool afterPoint = false;
  long integerDigits = 0;
  long fractionZeros = 0;
  for (; first != last && *first != 'e' && *first != 'E'; ++first) {
    if (*first == '.') {
      afterPoint = true;
    } else if (!significant && *first == '0') {
      if (afterPoint) ++fractionZeros;
    } else {
      if (!significant && afterPoint) magnitude = -(fractionZeros + 1);
      significant = true;
      if (!afterPoint) ++integerDigits;
    }
  }
  if (integerDigits > 0) magnitude = integerDigits - 1;
  long exponent = 0;
  if (first != last) {
    ++first;
    const bool negativeExponent = *first == '-';
    if (*first == '-' || *first == '+') ++first;
    for (; first != last && isDigit(*first); ++first) {
      if (exponent < 100000000) exponent = exponent * 10 + (*first - '0');
    }
    if (negativeExponent) exponent = -exponent;
  }
  const double value = magnitude + exponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
  return negative ? -value : value;
}

class Parser {
 public:
  explicit Parser(const char* text) : text_(reinterpret_cast<const unsigned char*>(text)) {}

  JObject parseDocument() {
    JObject value = parseValue(0);
    skipWhitespace();
    if (current() != 0) fail(pos_);   // trailing text
    return value;
  }

 private:
  [[noreturn]] static void fail(size_t at) { throw JParseException(at); }
  unsigned char current() const { return text_[pos_]; }
  void skipWhitespace() {
    while (isWhitespace(text_[pos_])) ++pos_;
  }

  JObject parseValue(int depth) {
    skipWhitespace();
    switch (current()) {
      case 0: fail(pos_);   // unexpected end
      case '"':
        ++pos_;
        return JObject::makeString(parseStringBody());
      case '[': return parseArray(depth + 1);
      case '{': return parseObject(depth + 1);
      case 't': expectWord("true"); return JObject::makeBoolean(true);
      case 'f': expectWord("false"); return JObject::makeBoolean(false);
      case 'n': expectWord("null"); return JObject::sharedNull();
      default: return parseNumber();
    }
  }

  // The literal must follow in full; otherwise the error is at its first byte.
  void expectWord(const char* word) {
    size_t i = 0;
    for (; word[i]; ++i) {
      if (text_[pos_ + i] != static_cast<unsigned char>(word[i])) fail(pos_);   // stops at the zero byte
    }
    pos_ += i;
  }

  JObject parseArray(int depth) {
    if (depth > kJsonMaxNesting) fail(pos_);
    ++pos_;   // '['
    JObject array(JType::Array);
    for (bool first = true;; first = false) {
      skipWhitespace();
      if (current() == ']') break;
      if (!first) {
        if (current() != ',') fail(pos_);
        ++pos_;
        skipWhitespace();
        if (current() == ']') break;   // trailing comma
      }
      array.append(parseValue(depth));
    }
    ++pos_;   // ']'
    return array;
  }

  JObject parseObject(int depth) {
    if (depth > kJsonMaxNesting) fail(pos_);
    ++pos_;   // '{'
    JObject object(JType::Object);
    for (bool first = true;; first = false) {
      skipWhitespace();
      if (current() == '}') break;
      if (!first) {
        if (current() != ',') fail(pos_);
        ++pos_;
        skipWhitespace();
        if (current() == '}') break;   // trailing comma, as in arrays
      }
      std::u16string key;
      if (current() == '"') {
        ++pos_;
        key = parseStringBody();
      } else {
        key = parseBareKey();
      }
      skipWhitespace();
      if (current() != ':') fail(pos_);
      ++pos_;
      object.setMember(key, parseValue(depth));   // a later duplicate replaces the earlier value
    }
    ++pos_;   // '}'
    return object;
  }

  // Characters of a string up to the closing double quote (consumed).
  std::u16string parseStringBody() {
    std::u16string out;
    for (;;) {
      const unsigned char c = current();
      if (c == '"') {
        ++pos_;
        return out;
      }
      if (c == 0) fail(pos_);   // unterminated string
      if (c == '\\') {
        ++pos_;
        out.push_back(parseEscape());
      } else {
        out.push_back(decodeCharacter());
      }
    }
  }

  // A bare key: bytes up to a zero byte, whitespace or ':'. Bytes above 0x7F
  // are decoded as UTF-8, as in strings.
  std::u16string parseBareKey() {
    std::u16string out;
    for (unsigned char c = current(); c != 0 && c != ':' && !isWhitespace(c); c = current()) {
      out.push_back(decodeCharacter());
    }
    return out;
  }

  // The escape after a backslash (pos_ is at the byte after it).
  char16_t parseEscape() {
    const unsigned char c = current();
    char16_t unit = 0;
    switch (c) {
      case '"': unit = u'"'; break;
      case '/': unit = u'/'; break;
      case '\\': unit = u'\\'; break;
      case 'b': unit = 8; break;
      case 'f': unit = 12; break;
      case 'n': unit = 10; break;
      case 'r': unit = 13; break;
      case 't': unit = 9; break;
      case 'u': {
        unsigned value = 0;
        for (size_t i = 1; i <= 4; ++i) {   // stops at the zero byte, which is no digit
          const int digit = hexValue(text_[pos_ + i]);
          if (digit < 0) fail(pos_ + i);
          value = value * 16 + unsigned(digit);
        }
        pos_ += 5;
        return char16_t(value);   // surrogate pairs are two escapes, not validated
      }
      default: fail(pos_);
    }
    ++pos_;
    return unit;
  }

  // One character of one to three UTF-8 bytes. Overlong forms and encoded
  // surrogates are taken as computed; four-byte forms are refused.
  char16_t decodeCharacter() {
    const unsigned char lead = current();
    if (lead < 0x80) {
      ++pos_;
      return lead;
    }
    if (lead >= 0xC0 && lead <= 0xDF) {
      const unsigned char next = text_[pos_ + 1];
      if (!isContinuation(next)) fail(pos_ + 1);
      pos_ += 2;
      return char16_t(((lead & 0x1F) << 6) | (next & 0x3F));
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
      const unsigned char second = text_[pos_ + 1];
      if (!isContinuation(second)) fail(pos_ + 1);
      const unsigned char third = text_[pos_ + 2];
      if (!isContinuation(third)) fail(pos_ + 2);
      pos_ += 3;
      return char16_t(((lead & 0x0F) << 12) | ((second & 0x3F) << 6) | (third & 0x3F));
    }
    fail(pos_);   // stray continuation byte or a lead byte of a longer form
  }

  // Sign, digits, one '.', and after a digit one exponent marker with its own
  // sign, digits and '.'. The longest prefix that forms a decimal number is
  // converted (as atof does); the conversion is independent of the locale.
  JObject parseNumber() {
    const size_t start = pos_;
    if (current() == '+' || current() == '-') ++pos_;
    bool digitInPart = false;
    bool pointInPart = false;
    bool exponentSeen = false;
    for (;;) {
      const unsigned char c = current();
      if (isDigit(c)) {
        digitInPart = true;
      } else if (c == '.' && !pointInPart) {
        pointInPart = true;
      } else if ((c == 'e' || c == 'E') && !exponentSeen) {
        if (!digitInPart) fail(pos_);   // exponent marker before any digit
        exponentSeen = true;
        digitInPart = false;
        pointInPart = false;
        if (text_[pos_ + 1] == '+' || text_[pos_ + 1] == '-') ++pos_;
      } else {
        break;
      }
      ++pos_;
    }
    if (!digitInPart) fail(pos_);   // no digit in the last part

    const char* first = reinterpret_cast<const char*>(text_ + start);
    const char* last = reinterpret_cast<const char*>(text_ + pos_);
    // The value of the longest number at the start (a lenient scan may take in
    // "1e5.3": 100000), by the C library's correctly rounded strtod on a copy
    // that ends where the scan ended (std::from_chars would add a few hundred
    // KB of tables to the installer).
    const std::string number(first, last);
    errno = 0;
    char* end = nullptr;
    double value = std::strtod(number.c_str(), &end);
    if (end == number.c_str()) {
      value = 0;   // no number at all (cannot happen after the scan above)
    } else if (errno == ERANGE && (value == 0 || std::isinf(value))) {
      value = outOfRangeValue(first, first + (end - number.c_str()));
    }
    return JObject::makeNumber(value);
  }

  const unsigned char* text_;
  size_t pos_ = 0;
};

}  // namespace

JObject JObject::parse(const char* text) { return Parser(text).parseDocument(); }

}  // namespace kavri
