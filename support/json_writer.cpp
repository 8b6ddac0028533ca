// Compact JSON writer: no whitespace, members in key order, numbers as
// integers, every character outside printable ASCII escaped.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "support/json.h"

namespace kavri {
namespace {

constexpr size_t kReservedTextBytes = 1000000;   // typical documents fit without reallocation

// The number truncated toward zero. Values in the 32-bit range are written
// with "%d"; larger finite values keep their full integer value rather than
// being cut to 32 bits; infinities become the nearest 32-bit value and NaN 0.
void writeNumber(double value, std::string& out) {
  if (std::isnan(value)) {
    out += '0';
    return;
  }
  if (std::isinf(value)) {
    out += value > 0 ? "2147483647" : "-2147483648";
    return;
  }
  const double whole = std::trunc(value);
  if (whole >= -2147483648.0 && whole <= 2147483647.0) {
    char buffer[30];
    std::snprintf(buffer, sizeof buffer, "%d", static_cast<int>(whole));
    out += buffer;
    return;
  }
  // Every digit of a whole double, exactly (the C library's "%.0f"; std::to_chars
  // would add a few hundred KB of tables to the installer for this one case).
  char buffer[400];   // the largest double has 309 integer digits
  const int length = std::snprintf(buffer, sizeof buffer, "%.0f", whole);
  if (length > 0) out.append(buffer, std::min<size_t>(size_t(length), sizeof buffer - 1));
}

void writeString(const std::u16string& text, std::string& out) {
  static const char kHex[] = "0123456789abcdef";
  out += '"';
  for (const char16_t unit : text) {
    switch (unit) {
      case u'"': out += "\\\""; break;
      case u'\\': out += "\\\\"; break;
      case u'/': out += "\\/"; break;
      case 8: out += "\\b"; break;
      case 9: out += "\\t"; break;
      case 10: out += "\\n"; break;
      case 12: out += "\\f"; break;
      case 13: out += "\\r"; break;
      default:
        if (unit >= 0x20 && unit <= 0x7E) {
          out += char(unit);
        } else {
          out += "\\u";
          out += kHex[(unit >> 12) & 0xF];
          out += kHex[(unit >> 8) & 0xF];
          out += kHex[(unit >> 4) & 0xF];
          out += kHex[unit & 0xF];
        }
    }
  }
  out += '"';
}

void writeValue(const JObject& value, std::string& out) {
  switch (value.type()) {
    case JType::Null: out += "null"; break;
    case JType::Boolean: out += value.asBoolean() ? "true" : "false"; break;
    case JType::Number: writeNumber(value.asNumber(), out); break;
    case JType::String: writeString(value.asString(), out); break;
    case JType::Array: {
      out += '[';
      bool first = true;
      for (const JObject& element : value.elements()) {
        if (!first) out += ',';
        first = false;
        writeValue(element, out);
      }
      out += ']';
      break;
    }
    case JType::Object: {
      out += '{';
      bool first = true;
      for (const auto& [key, member] : value.members()) {
        if (!first) out += ',';
        first = false;
        writeString(key, out);
        out += ':';
        writeValue(member, out);
      }
      out += '}';
      break;
    }
  }
}

}  // namespace

std::string JObject::toText() const {
  std::string out;
  out.reserve(kReservedTextBytes);
  writeValue(*this, out);
  return out;
}

}  // namespace kavri
