// The element table and the style type table.
#include "dui/markup/element_factory.h"

#include "dui/controls/button_family.h"
#include "dui/controls/list_controls.h"
#include "dui/controls/page_controls.h"
#include "dui/controls/text_controls.h"
#include "dui/controls/web_browser.h"
#include "dui/core/layout_panels.h"
#include "dui/markup/styles.h"

namespace dui {

template <class X>
void ElementFactory::addControl(const wchar_t* element) {
  controls_.emplace(element, std::make_unique<Creator_<Control, X>>());
}

template <class X>
void ElementFactory::addStyle(const wchar_t* type) {
  styles_.emplace(type, std::make_unique<Creator_<Style, X>>());
}

ElementFactory::ElementFactory() {
  // Control elements of layout files (names are case-sensitive).
  addControl<Grid>(L"Window");   // the root of a layout
  addControl<Canvas>(L"Canvas");
  addControl<StackPanel>(L"StackPanel");
  addControl<DockPanel>(L"DockPanel");
  addControl<Grid>(L"Grid");
  addControl<ScrollPanel>(L"ScrollPanel");
  addControl<ListBox>(L"ListBox");
  addControl<TabControl>(L"TabControl");
  addControl<TabItem>(L"TabItem");
  addControl<ComboBox>(L"ComboBox");
  addControl<Button>(L"Button");
  addControl<IconButton>(L"IconButton");
  addControl<ToggleButton>(L"ToggleButton");
  addControl<ToggleIconButton>(L"ToggleIconButton");
  addControl<RadioButton>(L"RadioButton");
  addControl<CheckBox>(L"CheckBox");
  addControl<ImageButton>(L"ImageButton");
  addControl<Label>(L"Label");
  addControl<LinkLabel>(L"LinkLabel");
  addControl<Edit>(L"Edit");
  addControl<TextBox>(L"TextBox");
  addControl<Slider>(L"Slider");
  addControl<TitleBar>(L"TitleBar");
  addControl<ProgressBar>(L"ProgressBar");
  addControl<PowerPoint>(L"PowerPoint");
  addControl<Seperator>(L"Seperator");
  addControl<Drawing>(L"Image");
  addControl<WebBrowser>(L"WebBrowser");

  // Style types (the first attribute of a style file's Config).
  addStyle<Style_Background>(L"Background");
  addStyle<Style_Button>(L"Button");
  addStyle<Style_CheckButton>(L"CheckButton");
  addStyle<Style_ComboBox>(L"ComboBox");
  addStyle<Style_Edit>(L"Edit");
  addStyle<Style_Slider>(L"Slider");
  addStyle<Style_ToggleButton>(L"ToggleButton");
  addStyle<Style_IconButton>(L"IconButton");
  addStyle<Style_ToggleIconButton>(L"ToggleIconButton");
  addStyle<Style_ScrollBar>(L"ScrollBar");
  addStyle<Style_ButtonEx>(L"ButtonEx");
  addStyle<Style_CheckButtonEx>(L"CheckButtonEx");
  addStyle<Style>(L"Style");
}

std::unique_ptr<Control> ElementFactory::createControl(const wchar_t* element) const {
  if (!element) return nullptr;
  auto it = controls_.find(element);
  return it == controls_.end() ? nullptr : std::unique_ptr<Control>(it->second->create());
}

std::unique_ptr<Style> ElementFactory::createStyle(const wchar_t* type) const {
  auto it = type ? styles_.find(type) : styles_.end();
  return std::unique_ptr<Style>(it == styles_.end() ? new Style() : it->second->create());
}

std::vector<std::wstring> ElementFactory::elementNames() const {
  std::vector<std::wstring> out;
  for (const auto& entry : controls_) out.push_back(entry.first);
  return out;
}

std::vector<std::wstring> ElementFactory::styleTypeNames() const {
  std::vector<std::wstring> out;
  for (const auto& entry : styles_) out.push_back(entry.first);
  return out;
}

const ElementFactory& elementFactory() {
  static const ElementFactory factory;
  return factory;
}

}  // namespace dui
