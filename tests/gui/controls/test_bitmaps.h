// BMP file images made at test time, and helpers for driving and reading windows.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "framework/forms.h"
#include "framework/graphics.h"

namespace mvt::test {

constexpr int kStageWidth = 320, kStageHeight = 200;

// The colour of pixel (x, y) of a picture being made.
using PixelSource = std::function<COLORREF(int x, int y)>;

// A 24-bit uncompressed BMP (pixel data at offset 54).
std::vector<uint8_t> MakeBmp24(int width, int height, const PixelSource& pixel);
// A 16-bit BI_BITFIELDS BMP with 5-6-5 masks (pixel data at offset 66).
std::vector<uint8_t> MakeBmp16(int width, int height, const PixelSource& pixel);
// A picture of one colour with corner pixels (2 x 2 in each corner) of clLime.
PixelSource LimeCorners(int width, int height, COLORREF body);

// Prefixes a payload with its 32-bit little-endian count.
std::vector<uint8_t> Block(const std::vector<uint8_t>& payload);

// Handles every pending message of the thread.
void Pump();

// One visible form for all tests of the program, created on first use. Hiding or
// destroying a visible top-level window costs Wine about two seconds without a window
// manager, so tests build their controls on a fresh child stage of this form instead.
TForm& SharedForm();

// A child window covering the shared form's client area, owning what a test puts on it.
std::unique_ptr<TWinControl> MakeStage(TColor color);

}  // namespace mvt::test
