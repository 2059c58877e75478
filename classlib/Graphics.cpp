#include "classlib/Graphics.h"

namespace classlib {

COLORREF ColorToRGB(TColor color)
{
    if (color & clSystemColor) return GetSysColor(static_cast<int>(color & 0xFF));
    return color;
}

bool FontDesc::operator==(const FontDesc& other) const
{
    return lstrcmpA(name, other.name) == 0 && height == other.height && bold == other.bold &&
           italic == other.italic && color == other.color && charset == other.charset;
}

void Font::Assign(const FontDesc& desc)
{
    if (desc == desc_) return;
    desc_ = desc;
    handle_.Reset();
}

HFONT Font::Handle() const
{
    if (!handle_.Get()) {
        LOGFONTA lf{};
        lf.lfHeight = desc_.height;
        lf.lfWeight = desc_.bold ? FW_BOLD : FW_NORMAL;
        lf.lfItalic = desc_.italic ? TRUE : FALSE;
        lf.lfCharSet = desc_.charset;
        lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
        lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
        lf.lfQuality = DEFAULT_QUALITY;
        lf.lfPitchAndFamily = DEFAULT_PITCH;
        lstrcpynA(lf.lfFaceName, desc_.name, LF_FACESIZE);
        handle_.Reset(CreateFontIndirectA(&lf));
    }
    return handle_.Get();
}

void Canvas::FillRect(const RECT& rect, TColor color)
{
    BrushHandle brush(CreateSolidBrush(ColorToRGB(color)));
    ::FillRect(dc_, &rect, brush.Get());
}

int Canvas::DrawText(const std::string& text, RECT& rect, UINT format, const Font& font)
{
    SelectScope selected(dc_, font.Handle());
    const int oldMode = SetBkMode(dc_, TRANSPARENT);
    const COLORREF oldColor = SetTextColor(dc_, ColorToRGB(font.Color()));
    const int height = ::DrawTextA(dc_, text.c_str(), static_cast<int>(text.size()), &rect, format);
    SetTextColor(dc_, oldColor);
    SetBkMode(dc_, oldMode);
    return height;
}

SIZE Canvas::TextExtent(const std::string& text, const Font& font)
{
    SelectScope selected(dc_, font.Handle());
    SIZE size{};
    GetTextExtentPoint32A(dc_, text.c_str(), static_cast<int>(text.size()), &size);
    return size;
}

} // namespace classlib
