// libFuzzer target for the loaders behind the markup reader, on the same
// bytes: as a layout file (the layout loader builds a control tree through
// the attribute setters, then the tree is measured and arranged), as a style
// file (the style loader) and as "font.xml" (the font list). Whatever the
// bytes, each loader builds something or refuses, and nothing reads, writes
// or overflows out of bounds. The element table here holds the panels and
// the scrolling controls, which build natively; the other controls differ
// only in what they draw.
#include <cstdint>
#include <memory>
#include <string>

#include "dui/controls/list_box.h"
#include "dui/controls/scroll_panel.h"
#include "dui/controls/slider.h"
#include "dui/core/layout.h"
#include "dui/core/layout_panels.h"
#include "dui/core/style.h"
#include "dui/markup/element_factory.h"
#include "dui/markup/font_list.h"
#include "dui/markup/layout_builder.h"
#include "dui/markup/style_loader.h"
#include "dui/markup/xml_document.h"

// The default GUI font, as the system would describe it.
HGDIOBJ GetStockObject(int) { return nullptr; }
int GetObjectW(HGDIOBJ, int, void*) { return 0; }

namespace dui {

template <class X>
void ElementFactory::addControl(const wchar_t* element) {
  controls_.emplace(element, std::make_unique<Creator_<Control, X>>());
}

ElementFactory::ElementFactory() {
  addControl<Grid>(L"Window");
  addControl<Canvas>(L"Canvas");
  addControl<StackPanel>(L"StackPanel");
  addControl<DockPanel>(L"DockPanel");
  addControl<Grid>(L"Grid");
  addControl<ScrollPanel>(L"ScrollPanel");
  addControl<ListBox>(L"ListBox");
  addControl<Slider>(L"Slider");
  addControl<Control>(L"Label");   // a leaf: its child elements are refused
}

std::unique_ptr<Control> ElementFactory::createControl(const wchar_t* element) const {
  if (!element) return nullptr;
  auto it = controls_.find(element);
  return it == controls_.end() ? nullptr : std::unique_ptr<Control>(it->second->create());
}

std::unique_ptr<Style> ElementFactory::createStyle(const wchar_t*) const { return std::make_unique<Style>(); }

const ElementFactory& elementFactory() {
  static const ElementFactory factory;
  return factory;
}

}  // namespace dui

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The first two bytes choose the size the layout is arranged in, from
  // nothing to far beyond any screen.
  const std::int32_t width = size > 0 ? std::int32_t(data[0]) * 64 - 1024 : 640;
  const std::int32_t height = size > 1 ? std::int32_t(data[1]) * 64 - 1024 : 480;

  std::wstring error;
  if (std::unique_ptr<dui::Control> root = dui::buildLayout(data, size, L"fuzz.xml", &error)) {
    dui::measure(root.get(), width, height);
    dui::arrange(root.get(), dui::Rect{0, 0, width, height});
  }
  dui::buildStyle(L"fuzz.xml", data, size);
  if (auto document = dui::XmlDocument::parse(data, size, L"font.xml", &error))
    dui::readFontDescriptions(document->root(), dui::defaultGuiLogFont());
  return 0;
}
