// TSkAnimator: plays the pictures of an image list one after another on a timer, over its
// own colour or, transparent, over whatever its parent shows beneath it. The progress
// screen makes the skull's eyes glow with it.
#pragma once

#include <cstdint>
#include <functional>

#include "framework/controls.h"
#include "framework/image_list.h"
#include "framework/stdctrls.h"

namespace mvt {

class TSkAnimator : public TWinControl, private TImageList::Listener {
  public:
    explicit TSkAnimator(TComponent* owner);
    ~TSkAnimator() override;

    // While true the timer runs and the frames advance.
    bool Animate() const { return animate_; }
    void SetAnimate(bool animate);
    // Milliseconds a frame stays; after the last frame of a cycle DelayUntilRepeat instead.
    uint16_t Delay() const { return delay_; }
    void SetDelay(uint16_t delay);
    uint16_t DelayUntilRepeat() const { return delayUntilRepeat_; }
    void SetDelayUntilRepeat(uint16_t delay) { delayUntilRepeat_ = delay; }
    // The frame drawn next.
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int index);
    // The frames (not owned); the control takes their size.
    TImageList* ImageList() const { return imageList_; }
    void SetImageList(TImageList* list);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent);

    // A frame with another index than the one drawn before has been painted.
    std::function<void(TObject* sender, int frame)> OnFrameChange;

    void SetBounds(int left, int top, int width, int height) override;
    // One timer step; the timer calls it (tests may too).
    void TimerTick();

  protected:
    void PaintWindow(HDC dc) override;
    // Composes frame ImageIndex in the frame buffer and copies it to target at (0, 0).
    virtual void DrawFrame(HDC target);
    virtual void FrameChange(int frame);

  private:
    void ImageListChanged(TImageList& list) override;
    void ImageListDestroyed(TImageList& list) override;

    bool animate_ = true;
    uint16_t delay_ = 100;
    uint16_t delayUntilRepeat_ = 100;
    int imageIndex_ = 0;
    int lastDrawn_ = -1;
    bool transparent_ = false;
    TImageList* imageList_ = nullptr;
    TBitmap frame_;  // reused for every frame
    TTimer* timer_;
};

}  // namespace mvt
