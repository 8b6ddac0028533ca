// LayoutLoader: the layout package ("frame.lz") and the building of control
// trees from its layout files. A layout is UTF-8 XML; each element becomes a
// control through the ElementFactory and each attribute is stored through the
// SetterTable. UI thread only.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "dui/markup/layout_builder.h"
#include "dui/markup/whole_package.h"
#include "dui/markup/xml_document.h"

namespace dui {

class Control;

class LayoutLoader {
 public:
  LayoutLoader() = default;
  ~LayoutLoader() = default;
  LayoutLoader(const LayoutLoader&) = delete;
  LayoutLoader& operator=(const LayoutLoader&) = delete;

  // Closes any open package, then reads the named package through the
  // current file system. False when it cannot be read.
  bool open(const std::wstring& packageName);
  // Releases the package (shutdownMarkup).
  void close();
  bool isOpen() const { return package_.isOpen(); }

  // The root control of the layout file of that name, or nothing when the
  // package is not open, has no such file, or the file is empty, malformed or
  // has an unknown root element. The reason, naming the file, goes to the
  // debugger output and, when `error` is given, to *error.
  std::unique_ptr<Control> load(const std::wstring& fileName, std::wstring* error = nullptr) const;

 private:
  WholePackage package_;
};

// The process's layout loader (opened by the start-up, closed at framework
// shutdown).
LayoutLoader& layoutLoader();

}  // namespace dui
