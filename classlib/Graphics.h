// Colours, fonts and the canvas that paint code draws on.
#pragma once

#include "classlib/Object.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>

namespace classlib {

// A colour reference laid out as 0x00BBGGRR; with the top bit set it names a
// system colour (0x80000000 plus the system colour index).
using TColor = std::uint32_t;

constexpr TColor clSystemColor = 0x80000000u;
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clBtnFace = clSystemColor | COLOR_BTNFACE;
constexpr TColor clBtnShadow = clSystemColor | COLOR_BTNSHADOW;
constexpr TColor clBtnHighlight = clSystemColor | COLOR_BTNHIGHLIGHT;
constexpr TColor clWindow = clSystemColor | COLOR_WINDOW;
constexpr TColor clWindowText = clSystemColor | COLOR_WINDOWTEXT;

// The colour to draw with: a system colour resolved to its current value.
COLORREF ColorToRGB(TColor color);

// Owns one GDI object; moving hands it on, copying is not possible.
template <class Handle>
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(Handle handle) : handle_(handle) {}
    GdiObject(GdiObject&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    GdiObject& operator=(GdiObject&& other) noexcept
    {
        if (this != &other) Reset(std::exchange(other.handle_, nullptr));
        return *this;
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    ~GdiObject() { Reset(); }

    Handle Get() const { return handle_; }
    void Reset(Handle handle = nullptr)
    {
        if (handle_) DeleteObject(handle_);
        handle_ = handle;
    }

private:
    Handle handle_ = nullptr;
};

using FontHandle = GdiObject<HFONT>;
using BrushHandle = GdiObject<HBRUSH>;
using PenHandle = GdiObject<HPEN>;
using BitmapHandle = GdiObject<HBITMAP>;

// Selects a GDI object into a device context for the length of a scope.
class SelectScope {
public:
    SelectScope(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    SelectScope(const SelectScope&) = delete;
    SelectScope& operator=(const SelectScope&) = delete;
    ~SelectScope() { SelectObject(dc_, previous_); }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// Owns a memory device context compatible with the screen.
class MemoryDC {
public:
    MemoryDC() : dc_(CreateCompatibleDC(nullptr)) {}
    MemoryDC(MemoryDC&& other) noexcept : dc_(std::exchange(other.dc_, nullptr)) {}
    MemoryDC& operator=(MemoryDC&& other) noexcept
    {
        if (this != &other) {
            if (dc_) DeleteDC(dc_);
            dc_ = std::exchange(other.dc_, nullptr);
        }
        return *this;
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    ~MemoryDC()
    {
        if (dc_) DeleteDC(dc_);
    }

    HDC Get() const { return dc_; }

private:
    HDC dc_ = nullptr;
};

struct FontDesc {
    const char* name = "MS Sans Serif";  // a face name is a constant of the program
    int height = -11;  // negative: character height in pixels (8 points at 96 pixels per inch)
    bool bold = false;
    bool italic = false;
    TColor color = clWindowText;
    BYTE charset = DEFAULT_CHARSET;

    bool operator==(const FontDesc& other) const;
};

// A font description with the handle made from it on first use.
class Font {
public:
    Font() = default;
    explicit Font(FontDesc desc) : desc_(std::move(desc)) {}

    const FontDesc& Desc() const { return desc_; }
    void Assign(const FontDesc& desc);
    TColor Color() const { return desc_.color; }
    HFONT Handle() const;
    // The logical description the system holds for Handle().
    LOGFONTA LogFont() const;

private:
    FontDesc desc_;
    mutable FontHandle handle_;
};

class Bitmap;

// Drawing on a device context that the canvas does not own. The pen (solid,
// one pixel wide), the brush and the font are the canvas's own; each drawing
// call selects what it needs into the device context and restores it after.
class Canvas : public Object {
public:
    explicit Canvas(HDC dc) : dc_(dc) {}

    HDC Handle() const { return dc_; }

    TColor PenColor() const { return penColor_; }
    void SetPenColor(TColor color);
    // The raster operation of the pen (R2_COPYPEN: the pen colour as it is).
    void SetPenMode(int mode) { ::SetROP2(dc_, mode); }
    TColor BrushColor() const { return brushColor_; }
    void SetBrushColor(TColor color);

    // The font TextOut writes in: a copy of `font`, colour included.
    void SetFont(const Font& font);
    const Font& GetFont() const { return font_; }
    TColor FontColor() const { return fontColor_; }
    void SetFontColor(TColor color) { fontColor_ = color; }
    // TA_* flags: where TextOut's point lies on the text.
    void SetTextAlign(UINT mode) { ::SetTextAlign(dc_, mode); }
    // TRANSPARENT leaves the text cells unfilled, OPAQUE fills them.
    void SetBkMode(int mode) { ::SetBkMode(dc_, mode); }

    void MoveTo(int x, int y);
    // In the pen colour from the current position up to (x, y), which is not drawn.
    void LineTo(int x, int y);
    // Resolves a system colour, as every colour of the canvas.
    void FillRect(const RECT& rect, TColor color);
    // A one-pixel outline just inside `rect` in the brush colour.
    void FrameRect(const RECT& rect);
    // Outlined with the pen and filled with the brush.
    void Rectangle(const RECT& rect);
    // The picture unscaled with its top-left corner at (x, y).
    void Draw(int x, int y, const Bitmap& picture);
    void StretchDraw(const RECT& rect, const Bitmap& picture);
    // ExtTextOutA in the canvas font at the device context's text alignment and background mode.
    void TextOut(int x, int y, const std::string& text);
    // Draws `text` in `font` with a transparent background; returns DrawTextA's height.
    int DrawText(const std::string& text, RECT& rect, UINT format, const Font& font);
    SIZE TextExtent(const std::string& text, const Font& font);

    // Raised after every drawing call, with the canvas as the sender.
    NotifyEvent OnChange;

private:
    HPEN Pen();
    HBRUSH Brush();
    void Changed() { Raise(OnChange, this); }

    HDC dc_;
    TColor penColor_ = clBlack;
    TColor brushColor_ = clWhite;
    PenHandle pen_;
    BrushHandle brush_;
    Font font_;
    TColor fontColor_ = font_.Color();
};

// A picture of its own in the screen's format, drawn on through its canvas.
// A new picture is empty: no pixels at all.
class Bitmap : public Object {
public:
    Bitmap();
    ~Bitmap() override;

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Empty() const { return width_ == 0 || height_ == 0; }
    // What fits of the picture stays; new pixels are white. A size of 0 empties it.
    void SetSize(int width, int height);
    // Takes a copy of `source`'s pixels; no source, or an empty one, empties the picture.
    void Assign(const Bitmap* source);

    Canvas& GetCanvas() { return canvas_; }
    // The memory device context the picture is selected into, to copy from.
    HDC Handle() const { return dc_.Get(); }

    // Raised after drawing on the canvas, SetSize and Assign, with the picture as the sender.
    NotifyEvent OnChange;

private:
    void Replace(BitmapHandle picture, int width, int height);
    void Changed() { Raise(OnChange, this); }

    MemoryDC dc_;
    BitmapHandle picture_;
    HGDIOBJ initialPicture_;  // the memory DC's own, selected while this one is empty
    Canvas canvas_;
    int width_ = 0;
    int height_ = 0;
};

} // namespace classlib
