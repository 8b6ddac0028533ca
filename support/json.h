// JSON document model: reference-counted values, a lenient UTF-8 parser and a
// compact ASCII writer. Window-free; only the file functions need Windows.
//
// Values are `JObject` handles over `JObjectImplBase` nodes. Copying a handle
// shares the node; reference counts are plain integers, so a value and the
// values it holds belong to one thread at a time. Text inside values is UTF-16
// (std::u16string on every platform). All failures are reported by the three
// exception types below, never by return values (saveArrayToFile's result
// reports only whether the file was written).
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <map>
#include <string>
#include <vector>

namespace kavri {

// Type codes of a value.
enum class JType : int32_t { Null = 0, Number = 1, Boolean = 2, Object = 3, Array = 4, String = 5 };

// Deepest nesting of arrays and objects the parser accepts; deeper input is
// rejected with JParseException at the bracket that goes one level too deep,
// so hostile text cannot exhaust the stack.
constexpr int kJsonMaxNesting = 512;

// Malformed text, or a file that cannot be opened or read (position 0).
class JParseException : public std::exception {
 public:
  explicit JParseException(size_t position) noexcept : position_(position) {}
  size_t position() const noexcept { return position_; }
  const char* what() const noexcept override { return "JSON parse error"; }

 private:
  size_t position_;
};

// An operation needed a value of another type.
class JTypeException : public std::exception {
 public:
  JTypeException(JType expected, JType actual) noexcept : expected_(expected), actual_(actual) {}
  JType expected() const noexcept { return expected_; }
  JType actual() const noexcept { return actual_; }
  const char* what() const noexcept override { return "JSON value of another type"; }

 private:
  JType expected_;
  JType actual_;
};

// JObject::member did not find the key.
class JKeyNotFoundException : public std::exception {
 public:
  explicit JKeyNotFoundException(std::u16string key) : key_(std::move(key)) {}
  const std::u16string& key() const noexcept { return key_; }
  const char* what() const noexcept override { return "JSON key not found"; }

 private:
  std::u16string key_;
};

class JObjectImplBase;

// A handle to one value node (one pointer). Never empty: a default handle
// holds a new null node of its own.
class JObject {
 public:
  using Members = std::map<std::u16string, JObject>;   // sorted by UTF-16 code units
  using Elements = std::vector<JObject>;

  JObject();                      // a new null value
  explicit JObject(JType type);   // a new value: empty string/array/object, 0, false or null
  static JObject makeNumber(double value);
  static JObject makeBoolean(bool value);
  static JObject makeString(std::u16string text);
  // The one null node that every parsed "null" shares.
  static JObject sharedNull();

  JObject(const JObject& other) noexcept;
  JObject(JObject&& other) noexcept;
  JObject& operator=(const JObject& other) noexcept;
  JObject& operator=(JObject&& other) noexcept;
  ~JObject();

  JType type() const noexcept;
  const std::u16string& asString() const;   // JTypeException unless a string
  double asNumber() const;                  // JTypeException unless a number
  bool asBoolean() const;                   // JTypeException unless a boolean

  // The member's value (shared). JTypeException unless an object;
  // JKeyNotFoundException (after a diagnostic line) when the key is absent.
  JObject member(const std::u16string& key) const;
  // Makes the member `key` share `value`, replacing any earlier value.
  // JTypeException unless an object.
  void setMember(const std::u16string& key, const JObject& value);
  // Appends a shared handle to `value`. JTypeException unless an array.
  // Putting a container inside itself makes a cycle that is never freed.
  void append(const JObject& value);
  void append(JObject&& value);

  const Members& members() const;    // JTypeException unless an object
  const Elements& elements() const;  // JTypeException unless an array

  // True when both handles refer to the same node.
  bool sameNode(const JObject& other) const noexcept { return node_ == other.node_; }
  // Number of handles sharing this node.
  int32_t useCount() const noexcept;

  // Parses zero-terminated UTF-8 text (the input is not modified).
  static JObject parse(const char* text);
  // Compact ASCII text: no whitespace, members in key order, numbers as integers.
  std::string toText() const;

#ifdef _WIN32
  // Reads the whole file (no sharing) and parses it; any failure to open,
  // size or read throws JParseException at position 0.
  static JObject parseFile(const std::wstring& path);
  // Writes toText() of this array to `path` through a temporary file in the
  // same folder that is then renamed over the target, so a failed write never
  // leaves a truncated file. An empty array writes nothing and leaves any
  // existing file as it is. JTypeException unless an array. Returns false
  // when the file could not be written (the target is then unchanged).
  bool saveArrayToFile(const std::wstring& path) const;
#endif

 private:
  explicit JObject(JObjectImplBase* adopted) noexcept : node_(adopted) {}
  JObjectImplBase* node_;
};

// Value node: null, number or boolean. The derived nodes carry the payloads
// of strings, arrays and objects.
class JObjectImplBase {
 public:
  explicit JObjectImplBase(JType nodeType) noexcept : type(nodeType) {}
  virtual ~JObjectImplBase() = default;
  JObjectImplBase(const JObjectImplBase&) = delete;
  JObjectImplBase& operator=(const JObjectImplBase&) = delete;

  int32_t refCount = 1;
  const JType type;
  double number = 0;
  bool boolean = false;
};

class JObjectImplString : public JObjectImplBase {
 public:
  JObjectImplString() noexcept : JObjectImplBase(JType::String) {}
  std::u16string text;
};

class JObjectImplArray : public JObjectImplBase {
 public:
  JObjectImplArray() noexcept : JObjectImplBase(JType::Array) {}
  JObject::Elements elements;
};

class JObjectImplObject : public JObjectImplBase {
 public:
  JObjectImplObject() noexcept : JObjectImplBase(JType::Object) {}
  JObject::Members members;
};

// Where JObject::member writes its "KeyNotFound:" diagnostic, piece by piece.
// Defaults to the debugger output on Windows and to standard error elsewhere;
// returns the previous writer (tests capture the pieces).
using JDiagnosticWriter = void (*)(const std::u16string& piece);
JDiagnosticWriter setJsonDiagnosticWriter(JDiagnosticWriter writer) noexcept;

// A string value's text or a member's key as UTF-8; a lone surrogate, which a
// \u escape can spell, becomes U+FFFD.
std::string jsonTextToUtf8(const std::u16string& text);

}  // namespace kavri
