// JSON values: handle reference counting, typed access and member/element edits.
#include "support/json.h"

#include <utility>

namespace kavri {

void writeJsonDiagnosticDefault(const std::u16string& piece);   // per platform

namespace {

JDiagnosticWriter g_diagnosticWriter = &writeJsonDiagnosticDefault;

JObjectImplBase* newNode(JType type) {
  switch (type) {
    case JType::String: return new JObjectImplString();
    case JType::Array: return new JObjectImplArray();
    case JType::Object: return new JObjectImplObject();
    case JType::Null:
    case JType::Number:
    case JType::Boolean: break;
  }
  return new JObjectImplBase(type);
}

void retain(JObjectImplBase* node) noexcept { ++node->refCount; }

void release(JObjectImplBase* node) noexcept {
  if (--node->refCount == 0) delete node;
}

void requireType(const JObjectImplBase* node, JType expected) {
  if (node->type != expected) throw JTypeException(expected, node->type);
}

}  // namespace

JDiagnosticWriter setJsonDiagnosticWriter(JDiagnosticWriter writer) noexcept {
  return std::exchange(g_diagnosticWriter, writer ? writer : &writeJsonDiagnosticDefault);
}

std::string jsonTextToUtf8(const std::u16string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (uint32_t(text[i + 1]) - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += char(c);
    } else if (c < 0x800) {
      out += char(0xC0 | (c >> 6));
      out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += char(0xE0 | (c >> 12));
      out += char(0x80 | ((c >> 6) & 0x3F));
      out += char(0x80 | (c & 0x3F));
    } else {
      out += char(0xF0 | (c >> 18));
      out += char(0x80 | ((c >> 12) & 0x3F));
      out += char(0x80 | ((c >> 6) & 0x3F));
      out += char(0x80 | (c & 0x3F));
    }
  }
  return out;
}

JObject::JObject() : node_(new JObjectImplBase(JType::Null)) {}

JObject::JObject(JType type) : node_(newNode(type)) {}

JObject JObject::makeNumber(double value) {
  JObject result(JType::Number);
  result.node_->number = value;
  return result;
}

JObject JObject::makeBoolean(bool value) {
  JObject result(JType::Boolean);
  result.node_->boolean = value;
  return result;
}

JObject JObject::makeString(std::u16string text) {
  JObject result(JType::String);
  static_cast<JObjectImplString*>(result.node_)->text = std::move(text);
  return result;
}

JObject JObject::sharedNull() {
  // Created on first use; the static handle keeps it until program exit.
  static const JObject null(JType::Null);
  return null;
}

JObject::JObject(const JObject& other) noexcept : node_(other.node_) { retain(node_); }

// A moved-from handle keeps a node (it shares the source's), so no handle is
// ever empty.
JObject::JObject(JObject&& other) noexcept : node_(other.node_) { retain(node_); }

JObject& JObject::operator=(const JObject& other) noexcept {
  retain(other.node_);   // first, so self-assignment is safe
  release(std::exchange(node_, other.node_));
  return *this;
}

JObject& JObject::operator=(JObject&& other) noexcept { return *this = static_cast<const JObject&>(other); }

JObject::~JObject() { release(node_); }

JType JObject::type() const noexcept { return node_->type; }

int32_t JObject::useCount() const noexcept { return node_->refCount; }

const std::u16string& JObject::asString() const {
  requireType(node_, JType::String);
  return static_cast<const JObjectImplString*>(node_)->text;
}

double JObject::asNumber() const {
  requireType(node_, JType::Number);
  return node_->number;
}

bool JObject::asBoolean() const {
  requireType(node_, JType::Boolean);
  return node_->boolean;
}

JObject JObject::member(const std::u16string& key) const {
  const Members& all = members();
  const auto found = all.find(key);
  if (found == all.end()) {
    g_diagnosticWriter(u"KeyNotFound:");
    g_diagnosticWriter(key);
    g_diagnosticWriter(u"\n");
    throw JKeyNotFoundException(key);
  }
  return found->second;
}

void JObject::setMember(const std::u16string& key, const JObject& value) {
  requireType(node_, JType::Object);
  static_cast<JObjectImplObject*>(node_)->members.insert_or_assign(key, value);
}

void JObject::append(const JObject& value) {
  requireType(node_, JType::Array);
  static_cast<JObjectImplArray*>(node_)->elements.push_back(value);
}

void JObject::append(JObject&& value) {
  requireType(node_, JType::Array);
  static_cast<JObjectImplArray*>(node_)->elements.push_back(std::move(value));
}

const JObject::Members& JObject::members() const {
  requireType(node_, JType::Object);
  return static_cast<const JObjectImplObject*>(node_)->members;
}

const JObject::Elements& JObject::elements() const {
  requireType(node_, JType::Array);
  return static_cast<const JObjectImplArray*>(node_)->elements;
}

}  // namespace kavri
