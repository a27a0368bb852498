// A list of equally sized pictures with masks, drawn so that masked pixels keep what the
// device context already holds. Listeners hear of changes and of the list's end, so that
// controls showing its pictures never keep a dangling reference.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "framework/classes.h"
#include "framework/graphics.h"

namespace mvt {

class TImageList : public TComponent {
  public:
    class Listener {
      public:
        virtual void ImageListChanged(TImageList& list) = 0;
        virtual void ImageListDestroyed(TImageList& list) = 0;

      protected:
        ~Listener() = default;
    };

    explicit TImageList(TComponent* owner, int width = 16, int height = 16);
    ~TImageList() override;

    int Width() const { return width_; }
    int Height() const { return height_; }
    int Count() const { return static_cast<int>(frames_.size()); }

    // Adds a 32-bit BMP image of the list's size whose fourth byte is the mask: 255 drawn,
    // anything else transparent. Raises Exception for other images.
    void AddMasked(const std::vector<uint8_t>& bmp);
    void Clear();
    // Draws image index at (x, y); transparent pixels leave dc as it was. An index out of
    // range draws nothing.
    void Draw(HDC dc, int x, int y, int index) const;

    void AddListener(Listener* listener);
    void RemoveListener(Listener* listener);

  private:
    struct Frame {
        TBitmap image;      // transparent pixels black
        UniqueBitmap mask;  // monochrome: 1 = transparent, 0 = drawn
    };
    void Changed();

    int width_, height_;
    std::vector<std::unique_ptr<Frame>> frames_;
    std::vector<Listener*> listeners_;
};

}  // namespace mvt
