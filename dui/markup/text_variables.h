// Named values the markup puts into text attributes: "{product.name}" in a
// layout's text="Welcome to {product.name} Setup" is replaced by the value
// set under "product.name" when the attribute is read. The host sets the
// product's values at start-up, before any layout is loaded, so a content
// folder names its product once (in its product file) and its layouts only
// refer to it.
#pragma once

#include <string>
#include <string_view>

namespace dui {

// Sets (or, with an empty value, keeps as the empty text) the value of
// `name`; names are exact and case-sensitive. Called on the UI thread before
// layouts are loaded.
void setTextVariable(const std::wstring& name, const std::wstring& value);
// Forgets every value (the markup's shutdown, and tests).
void clearTextVariables();

// `text` with every "{name}" of a set name replaced by its value, in one
// pass (a value is never expanded again). A brace pair around anything else
// stays as it is, so texts that hold braces of their own are unchanged.
std::wstring expandTextVariables(std::wstring_view text);

}  // namespace dui
