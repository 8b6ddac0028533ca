// PowerPoint: a slideshow of skin pictures that cross-fades from one picture
// to the next on a 30 ms timer.
#pragma once

#include <cstdint>
#include <vector>

#include "dui/core/control.h"
#include "dui/core/timer.h"
#include "support/win32_handles.h"

namespace dui {

class SkinImage;

// Type name "PowerPoint". It shows the pictures named by "imagelist" (file
// names separated by ";") in the skin, fetched when first needed (drawn,
// played or counted) after it was attached, not when attached. Each picture
// stays for 151 ticks; the first 40 ticks after a change blend the previous
// picture into the new one. Pictures are drawn at their natural size at the
// top-left corner. A missing picture draws nothing; a picture whose size
// differs from the first is shown without a fade.
class PowerPoint : public Control {
 public:
  // Ticks a picture stays: the count runs 0 .. 150, and the tick after 150
  // turns to the next picture.
  static constexpr int kLastTick = 150;
  static constexpr UINT kInterval = 30;
  // Where playStart begins counting, so the first change comes sooner.
  static constexpr int kStartTick = 50;

  PowerPoint();
  const wchar_t* typeName() const override;
  void draw(HDC dc, const Rect& drawRect, const Rect& clip) override;

  // Starts the timer (counting from 50) unless it runs; the start ticks once.
  void playStart();
  // Stops the timer and repaints (the current picture, unblended).
  void playStop();
  bool playing() const { return timer_.running(); }

  // One timer step: the count rises, or after 150 it restarts at 0 on the
  // next picture (wrapping after the last). Then the control is repainted.
  void advance();

  std::size_t pictureCount();
  std::size_t index() const { return index_; }
  int tickCount() const { return tickCount_; }
  UINT interval() const { return timer_.interval(); }
  // The frame a paint shows now: the current picture's pixels, or the blend
  // into the composition buffer while a fade runs; null when there is no
  // picture to show. Blending writes only the buffer.
  const std::uint32_t* frame();

 private:
  class PowerPointTimer : public Timer {
   public:
    explicit PowerPointTimer(PowerPoint& owner) : Timer(100), owner_(owner) {}
    void tick() override { owner_.advance(); }

   private:
    PowerPoint& owner_;
  };

  void onAttached(Control* sender, Event& e);
  void ensurePictures();
  void loadPictures();
  bool fading() const;

  std::vector<SkinImage*> pictures_;   // owned by the skin's image cache; null when missing
  bool picturesPending_ = false;       // attached, pictures not fetched yet
  std::size_t index_ = 0;
  int tickCount_ = 0;
  int width_ = 0;                      // the first picture's size, the buffer's
  int height_ = 0;
  kavri::UniqueHbitmap buffer_;
  std::uint32_t* bufferBits_ = nullptr;   // owned by buffer_
  PowerPointTimer timer_{*this};       // last, so it stops before the rest goes
};

}  // namespace dui
