// Colours, fonts and the canvas that paint code draws on.
#pragma once

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

private:
    FontDesc desc_;
    mutable FontHandle handle_;
};

// Drawing on a device context that the canvas does not own.
class Canvas {
public:
    explicit Canvas(HDC dc) : dc_(dc) {}

    HDC Handle() const { return dc_; }
    void FillRect(const RECT& rect, TColor color);
    // Draws `text` in `font` with a transparent background; returns DrawTextA's height.
    int DrawText(const std::string& text, RECT& rect, UINT format, const Font& font);
    SIZE TextExtent(const std::string& text, const Font& font);

private:
    HDC dc_;
};

} // namespace classlib
