// Building a style from the bytes of a style file: the root's first child,
// "Config", names the style type in its first attribute; the attributes of
// Config's first child, "Prop", are applied through the setter table.
// Window-free, so the fuzzer can feed it any bytes natively.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace dui {

class Style;

// The style of `bytes`, or null (reported to the debugger log under `name`)
// when the text is not a document or has no Config with a type.
std::unique_ptr<Style> buildStyle(const std::wstring& name, const void* bytes, std::size_t size);

}  // namespace dui
