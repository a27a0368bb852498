// What a window shows, read back from its device context as the user sees it: for checks
// that a screen looks exactly, pixel for pixel, as it did before a change. The pictures are
// compared by their digests; a picture that differs is written out as a BMP file to be
// looked at beside the one taken before.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "framework/handles.h"
#include "framework/sha256.h"

namespace testsupport {

// The client area's pixels as 0x00RRGGBB values, rows from the top.
struct WindowLook {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;

    // Blacks out an area whose content differs from machine to machine (a folder tree
    // of the drive, say): what is compared is everything else.
    void Blank(const RECT& area) {
        for (int y = area.top; y < area.bottom && y < height; ++y)
            for (int x = area.left; x < area.right && x < width; ++x)
                if (x >= 0 && y >= 0) pixels[size_t(y) * width + x] = 0;
    }

    std::string Digest() const {
        const auto* bytes = reinterpret_cast<const char*>(pixels.data());
        return mvt::Sha256Hex(std::string(bytes, pixels.size() * sizeof(uint32_t)));
    }

    // A 32-bit picture with its rows from the top.
    static BITMAPINFOHEADER Header(int width, int height) {
        BITMAPINFOHEADER header{};
        header.biSize = sizeof header;
        header.biWidth = width;
        header.biHeight = -height;
        header.biPlanes = 1;
        header.biBitCount = 32;
        header.biCompression = BI_RGB;
        return header;
    }

    // A 32-bit top-down BMP file.
    bool SaveBmp(const std::string& path) const {
        BITMAPINFOHEADER info = Header(width, height);
        const DWORD bits = static_cast<DWORD>(pixels.size() * sizeof(uint32_t));
        BITMAPFILEHEADER file{0x4D42, 0, 0, 0, sizeof file + sizeof info};
        file.bfSize = file.bfOffBits + bits;
        FILE* out = std::fopen(path.c_str(), "wb");
        if (!out) return false;
        std::fwrite(&file, sizeof file, 1, out);
        std::fwrite(&info, sizeof info, 1, out);
        std::fwrite(pixels.data(), 1, bits, out);
        return std::fclose(out) == 0;
    }
};

// Copies what the window's client area shows now.
inline WindowLook CaptureLook(HWND window) {
    WindowLook look;
    RECT client{};
    GetClientRect(window, &client);
    look.width = client.right;
    look.height = client.bottom;
    look.pixels.resize(size_t(look.width) * look.height);
    mvt::WindowDc screen(window);
    mvt::UniqueDc memory(CreateCompatibleDC(screen.get()));
    BITMAPINFO info{};
    info.bmiHeader = WindowLook::Header(look.width, look.height);
    void* bits = nullptr;
    mvt::UniqueBitmap picture(
        CreateDIBSection(memory.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!picture || !bits) return look;
    mvt::SelectGuard select(memory.get(), picture.get());
    BitBlt(memory.get(), 0, 0, look.width, look.height, screen.get(), 0, 0, SRCCOPY);
    GdiFlush();
    const auto* source = static_cast<const uint32_t*>(bits);
    for (size_t i = 0; i < look.pixels.size(); ++i) look.pixels[i] = source[i] & 0xFFFFFF;
    return look;
}

// Digests of windows by name, as they looked before.
using LookDigests = std::map<std::string, std::string>;

// Expects the window, with the given areas blacked out, to look as it did before. When
// MVT_LOOK_DIR names a folder, every window checked is written there as <name>.bmp; a
// window that differs is written into `folder` as look-<name>.bmp.
inline void ExpectLookAsBefore(HWND window, const std::string& name, const LookDigests& before,
                               const std::string& folder, const std::vector<RECT>& blanks = {}) {
    UpdateWindow(window);
    WindowLook look = CaptureLook(window);
    for (const RECT& area : blanks) look.Blank(area);
    const std::string digest = look.Digest();
    if (const char* every = std::getenv("MVT_LOOK_DIR"))
        look.SaveBmp(std::string(every) + "\\" + name + ".bmp");
    const auto found = before.find(name);
    if (found != before.end() && found->second == digest) return;
    const std::string saved = folder + "look-" + name + ".bmp";
    look.SaveBmp(saved);
    ADD_FAILURE() << name << " looks different from before: {\"" << name << "\", \"" << digest
                  << "\"}, see " << saved;
}

}  // namespace testsupport
