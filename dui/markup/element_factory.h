// ElementFactory: the creators of the markup, keyed by name. One map for the
// control elements of layout files ("Window", "Button", ...) and one for the
// style types of style files ("Background", "Button", ...). Both tables live
// in element_factory.cpp; that is the one place mapping names to classes.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace dui {

class Control;
class Style;

// Makes a new, default-constructed object of one concrete class.
template <class Base>
class Creator {
 public:
  virtual ~Creator() = default;
  virtual Base* create() const = 0;
};

template <class Base, class X>
class Creator_ final : public Creator<Base> {
 public:
  Base* create() const override { return new X(); }
};

class ElementFactory {
 public:
  // Fills both tables.
  ElementFactory();
  ElementFactory(const ElementFactory&) = delete;
  ElementFactory& operator=(const ElementFactory&) = delete;

  // A new control for the element name (exact, case-sensitive), or null for
  // a name that is not in the element table.
  std::unique_ptr<Control> createControl(const wchar_t* element) const;
  // A new style of the type's class, or a plain Style for a type that is not
  // in the style type table.
  std::unique_ptr<Style> createStyle(const wchar_t* type) const;

  // The names in each table (sorted), for documentation and tests.
  std::vector<std::wstring> elementNames() const;
  std::vector<std::wstring> styleTypeNames() const;

 private:
  template <class X>
  void addControl(const wchar_t* element);
  template <class X>
  void addStyle(const wchar_t* type);

  std::map<std::wstring, std::unique_ptr<Creator<Control>>, std::less<>> controls_;
  std::map<std::wstring, std::unique_ptr<Creator<Style>>, std::less<>> styles_;
};

// The process's factory, filled on first use and read-only afterwards.
const ElementFactory& elementFactory();

}  // namespace dui
