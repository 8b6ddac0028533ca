// Layout files to control trees.
#include "dui/markup/layout_builder.h"

#include "dui/core/control.h"
#include "dui/markup/element_factory.h"
#include "dui/markup/setter_table.h"
#include "support/debug_log.h"

namespace dui {
namespace {

void reportLayoutError(const std::wstring& text, std::wstring* error) {
  kavri::debugLog(text);
  if (error) *error = text;
}

}  // namespace

std::unique_ptr<Control> buildLayout(const void* bytes, std::size_t size, const std::wstring& fileName,
                                     std::wstring* error) {
  // Malformed, too deep and element-less text is refused and reported here.
  std::unique_ptr<XmlDocument> document = XmlDocument::parse(bytes, size, fileName, error);
  if (!document) return nullptr;
  std::unique_ptr<Control> root = buildControl(document->root());
  if (!root)
    reportLayoutError(L"layout \"" + fileName + L"\": unknown root element <" + document->root()->name() + L">",
                      error);
  return root;
}

std::unique_ptr<Control> buildControl(const XmlNode* element) {
  if (!element) return nullptr;
  std::unique_ptr<Control> control = elementFactory().createControl(element->name());
  if (!control) return nullptr;   // not in the element table: the subtree is skipped
  setterTable().apply(*control, element);

  // Each child element is offered to the control, which decides what it is:
  // a panel's child, a list's or a combo box's item, a tab item's content
  // (the first only). What it refuses is destroyed here.
  bool refused = false;
  for (const XmlNode* child = firstChildElement(element); child; child = nextSiblingElement(child)) {
    std::unique_ptr<Control> built = buildControl(child);
    if (control->adoptMarkupChild(built.get())) {
      built.release();   // the control owns it now
    } else if (built) {
      refused = true;
    }
  }
  if (refused) kavri::debugLog(std::wstring(L"layout: <") + element->name() + L"> refused child elements; they are skipped");
  return control;
}

}  // namespace dui
