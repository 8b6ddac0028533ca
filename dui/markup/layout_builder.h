// Building control trees from the bytes of layout files: each element becomes
// a control through the ElementFactory and each attribute is stored through
// the SetterTable. Window-free apart from what the controls themselves need.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "dui/markup/xml_document.h"

namespace dui {

class Control;

// Builds a tree from the bytes of a layout file (what load does once the file
// is extracted); `fileName` names it in diagnostics, which also go to *error
// when given.
std::unique_ptr<Control> buildLayout(const void* bytes, std::size_t size, const std::wstring& fileName,
                                     std::wstring* error = nullptr);

// Builds one element and, depth first in document order, its descendants:
// nothing for an element whose name is not in the element table (its subtree
// is skipped). Each child element's result is offered to the control
// (Control::adoptMarkupChild): a TabItem takes its first child element as
// content and refuses the rest; a control that has no child list refuses all;
// what is refused is destroyed.
std::unique_ptr<Control> buildControl(const XmlNode* element);

}  // namespace dui
