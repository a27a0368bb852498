#include "controls/animator.h"

#include "framework/handles.h"

namespace mvt {

TSkAnimator::TSkAnimator(TComponent* owner) : TWinControl(owner) {
    TWinControl::SetBounds(Left(), Top(), 40, 40);
    timer_ = Make<TTimer>();
    timer_->SetInterval(delay_);
    timer_->OnTimer = [this](TObject*) { TimerTick(); };
}

TSkAnimator::~TSkAnimator() {
    if (imageList_) imageList_->RemoveListener(this);
}

void TSkAnimator::SetAnimate(bool animate) {
    if (animate == animate_) return;
    animate_ = animate;
    timer_->SetEnabled(animate);
}

void TSkAnimator::SetDelay(uint16_t delay) {
    if (delay == delay_) return;
    delay_ = delay;
    timer_->SetInterval(delay);
}

void TSkAnimator::SetImageIndex(int index) {
    if (index == imageIndex_) return;
    imageIndex_ = index;
    Invalidate();
}

void TSkAnimator::SetImageList(TImageList* list) {
    if (list == imageList_) return;
    if (imageList_) imageList_->RemoveListener(this);
    imageList_ = list;
    if (imageList_) {
        imageList_->AddListener(this);
        TWinControl::SetBounds(Left(), Top(), imageList_->Width(), imageList_->Height());
    }
    Invalidate();
}

void TSkAnimator::SetTransparent(bool transparent) {
    if (transparent == transparent_) return;
    transparent_ = transparent;
    Invalidate();
}

void TSkAnimator::SetBounds(int left, int top, int width, int height) {
    // The control cannot be sized away from its frames.
    if (imageList_) {
        width = imageList_->Width();
        height = imageList_->Height();
    }
    TWinControl::SetBounds(left, top, width, height);
}

void TSkAnimator::PaintWindow(HDC dc) {
    if (imageList_) {
        DrawFrame(dc);
    } else {
        TWinControl::PaintWindow(dc);
    }
}

void TSkAnimator::DrawFrame(HDC target) {
    const int width = imageList_->Width(), height = imageList_->Height();
    frame_.SetSize(width, height);  // reallocated only when the size changes
    HDC buffer = frame_.Canvas().Handle();
    if (transparent_ && Parent()) {
        Parent()->PaintBackgroundBehind(this, buffer);
        // Gives the parent's painting time to settle before the frame goes over it.
        Sleep(10);
    } else {
        TCanvas canvas(buffer);
        canvas.Brush().color = Color();
        canvas.Brush().style = TBrushStyle::bsSolid;
        canvas.FillRect({0, 0, width + 1, height + 1});
        canvas.SetHandle(nullptr);
    }
    imageList_->Draw(buffer, 0, 0, imageIndex_);
    BitBlt(target, 0, 0, width, height, buffer, 0, 0, SRCCOPY);
    if (imageIndex_ != lastDrawn_) FrameChange(imageIndex_);
    lastDrawn_ = imageIndex_;
}

void TSkAnimator::FrameChange(int frame) {
    if (OnFrameChange) OnFrameChange(this, frame);
}

void TSkAnimator::TimerTick() {
    if (!imageList_) return;
    try {
        timer_->SetInterval(delay_);
        if (imageIndex_ >= imageList_->Count()) imageIndex_ = 0;
        if (HandleAllocated()) {
            WindowDc window(Handle());
            DrawFrame(window.get());
        }
        ++imageIndex_;
        if (imageIndex_ == imageList_->Count()) {
            imageIndex_ = 0;
            timer_->SetInterval(delayUntilRepeat_);
        }
    } catch (...) {
        // A frame that cannot be drawn stops the animation; the error is reported as usual.
        SetAnimate(false);
        throw;
    }
}

void TSkAnimator::ImageListChanged(TImageList& list) {
    if (&list == imageList_) Repaint();
}

void TSkAnimator::ImageListDestroyed(TImageList& list) {
    if (&list != imageList_) return;
    imageList_->RemoveListener(this);
    imageList_ = nullptr;
}

}  // namespace mvt
