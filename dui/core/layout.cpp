// Measure, arrange and the root layout pass.
#include "dui/core/layout.h"

#include <algorithm>

#include "dui/core/attribute_names.h"
#include "dui/core/control.h"
#include "dui/core/control_registry.h"

namespace dui {
namespace {

constexpr std::int32_t kUnset = -1;

// An absent alignment stretches; a stored value that matched no keyword is
// neither "stretch" nor any other keyword, so it falls to left/top.
AttrKey alignment(const Control* control, AttrKey key) {
  AttrKey value;
  return control->getEnum(key, value) ? value : names::kwStretch;
}

bool centres(AttrKey align) { return align == names::kwCenter || align == names::kwStretch; }

}  // namespace

std::int32_t clampToInt32(std::int64_t value) {
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<std::int32_t>(value);
}

Size measure(Control* control, std::int32_t aw, std::int32_t ah) {
  if (!isLive(control)) return Size{0, 0};
  if (control->hasFlag(flags::Collapsed)) {
    control->setDesiredSize(Size{0, 0});
    return Size{0, 0};
  }
  const Rect m = control->rectOr(names::margin, Rect{});
  const std::int64_t marginW = std::int64_t{m.left} + m.right;
  const std::int64_t marginH = std::int64_t{m.top} + m.bottom;
  const std::int64_t iw = aw - marginW;
  const std::int64_t ih = ah - marginH;
  if (iw <= 0 || ih <= 0) {
    control->setDesiredSize(Size{0, 0});
    return Size{0, 0};
  }
  const std::int32_t w = control->intOr(names::width, kUnset);
  const std::int32_t h = control->intOr(names::height, kUnset);
  const Size inner = control->measureOverride(w != kUnset ? w : clampToInt32(iw),
                                              h != kUnset ? h : clampToInt32(ih));
  const Size desired{clampToInt32((w != kUnset ? w : inner.width) + marginW),
                     clampToInt32((h != kUnset ? h : inner.height) + marginH)};
  control->setDesiredSize(desired);
  return desired;
}

void arrange(Control* control, std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) {
  if (!control) return;
  if (!isLive(control)) {
    control->setRect(Rect{});
    return;
  }
  const Rect m = control->rectOr(names::margin, Rect{});
  const std::int64_t marginW = std::int64_t{m.left} + m.right;
  const std::int64_t marginH = std::int64_t{m.top} + m.bottom;
  const std::int64_t aw = (std::int64_t{r} - l) - marginW;
  const std::int64_t ah = (std::int64_t{b} - t) - marginH;
  if (aw <= 0 || ah <= 0) {
    control->setRect(Rect{});
    return;
  }
  const std::int64_t dw = control->desiredSize().width - marginW;
  const std::int64_t dh = control->desiredSize().height - marginH;
  const AttrKey hAlign = alignment(control, names::horizontalAlign);
  const AttrKey vAlign = alignment(control, names::verticalAlign);
  std::int64_t offerW = hAlign == names::kwStretch ? std::max(aw, dw) : dw;
  std::int64_t offerH = vAlign == names::kwStretch ? std::max(ah, dh) : dh;
  const std::int32_t w = control->intOr(names::width, kUnset);
  const std::int32_t h = control->intOr(names::height, kUnset);
  if (w != kUnset) offerW = w;
  if (h != kUnset) offerH = h;

  const Size s = control->arrangeOverride(clampToInt32(offerW), clampToInt32(offerH));
  if (s.width <= 0 || s.height <= 0) {
    control->setRect(Rect{});
    return;
  }

  const std::int64_t xmin = std::int64_t{l} + m.left, xmax = std::int64_t{r} - m.right;
  const std::int64_t ymin = std::int64_t{t} + m.top, ymax = std::int64_t{b} - m.bottom;
  std::int64_t x = centres(hAlign) ? (xmin + xmax - s.width) / 2
                   : hAlign == names::kwRight ? xmax - s.width
                                              : xmin;
  std::int64_t y = centres(vAlign) ? (ymin + ymax - s.height) / 2
                   : vAlign == names::kwBottom ? ymax - s.height
                                               : ymin;
  if (x < xmin) x = xmin;
  if (y < ymin) y = ymin;
  control->setRect(Rect{clampToInt32(x), clampToInt32(y), clampToInt32(x + s.width),
                        clampToInt32(y + s.height)});
}

Size rootLayoutPass(Control* root) {
  if (!root) return Size{0, 0};
  Size windowSize;
  if (root->getSize(names::initSize, windowSize)) {
    measure(root, windowSize.width, windowSize.height);
  } else {
    windowSize = measure(root, kDefaultRootWidth, kDefaultRootHeight);
  }
  arrange(root, 0, 0, windowSize.width, windowSize.height);
  return windowSize;
}

bool layoutToClient(Control* root, std::int32_t width, std::int32_t height) {
  if (!root) return false;
  if (root->rect().right == width && root->rect().bottom == height) return false;
  measure(root, width, height);
  arrange(root, 0, 0, width, height);
  return true;
}

}  // namespace dui
