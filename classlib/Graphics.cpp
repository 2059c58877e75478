#include "classlib/Graphics.h"

#include <algorithm>

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

LOGFONTA Font::LogFont() const
{
    LOGFONTA lf{};
    GetObjectA(Handle(), sizeof lf, &lf);
    return lf;
}

// --- Canvas ---

void Canvas::SetPenColor(TColor color)
{
    if (color == penColor_) return;
    penColor_ = color;
    pen_.Reset();
}

void Canvas::SetBrushColor(TColor color)
{
    if (color == brushColor_) return;
    brushColor_ = color;
    brush_.Reset();
}

HPEN Canvas::Pen()
{
    if (!pen_.Get()) pen_.Reset(CreatePen(PS_SOLID, 1, ColorToRGB(penColor_)));
    return pen_.Get();
}

HBRUSH Canvas::Brush()
{
    if (!brush_.Get()) brush_.Reset(CreateSolidBrush(ColorToRGB(brushColor_)));
    return brush_.Get();
}

void Canvas::SetFont(const Font& font)
{
    font_.Assign(font.Desc());
    fontColor_ = font.Color();
}

void Canvas::MoveTo(int x, int y)
{
    MoveToEx(dc_, x, y, nullptr);
}

void Canvas::LineTo(int x, int y)
{
    SelectScope selected(dc_, Pen());
    ::LineTo(dc_, x, y);
    Changed();
}

void Canvas::FillRect(const RECT& rect, TColor color)
{
    BrushHandle brush(CreateSolidBrush(ColorToRGB(color)));
    ::FillRect(dc_, &rect, brush.Get());
    Changed();
}

void Canvas::FrameRect(const RECT& rect)
{
    ::FrameRect(dc_, &rect, Brush());
    Changed();
}

void Canvas::Rectangle(const RECT& rect)
{
    SelectScope pen(dc_, Pen());
    SelectScope brush(dc_, Brush());
    ::Rectangle(dc_, rect.left, rect.top, rect.right, rect.bottom);
    Changed();
}

void Canvas::Draw(int x, int y, const Bitmap& picture)
{
    if (picture.Empty()) return;
    BitBlt(dc_, x, y, picture.Width(), picture.Height(), picture.Handle(), 0, 0, SRCCOPY);
    Changed();
}

void Canvas::StretchDraw(const RECT& rect, const Bitmap& picture)
{
    if (picture.Empty()) return;
    // Whole pixels of the picture, not blends of neighbours that would
    // depend on the scaling mode left in the device context.
    const int previousMode = SetStretchBltMode(dc_, COLORONCOLOR);
    StretchBlt(dc_, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, picture.Handle(), 0, 0,
               picture.Width(), picture.Height(), SRCCOPY);
    SetStretchBltMode(dc_, previousMode);
    Changed();
}

void Canvas::TextOut(int x, int y, const std::string& text)
{
    SelectScope selected(dc_, font_.Handle());
    const COLORREF previousColor = SetTextColor(dc_, ColorToRGB(fontColor_));
    ExtTextOutA(dc_, x, y, 0, nullptr, text.c_str(), static_cast<UINT>(text.size()), nullptr);
    SetTextColor(dc_, previousColor);
    Changed();
}

int Canvas::DrawText(const std::string& text, RECT& rect, UINT format, const Font& font)
{
    SelectScope selected(dc_, font.Handle());
    const int oldMode = ::SetBkMode(dc_, TRANSPARENT);
    const COLORREF oldColor = SetTextColor(dc_, ColorToRGB(font.Color()));
    const int height = ::DrawTextA(dc_, text.c_str(), static_cast<int>(text.size()), &rect, format);
    SetTextColor(dc_, oldColor);
    ::SetBkMode(dc_, oldMode);
    Changed();
    return height;
}

SIZE Canvas::TextExtent(const std::string& text, const Font& font)
{
    SelectScope selected(dc_, font.Handle());
    SIZE size{};
    GetTextExtentPoint32A(dc_, text.c_str(), static_cast<int>(text.size()), &size);
    return size;
}

// --- Bitmap ---

Bitmap::Bitmap() : initialPicture_(GetCurrentObject(dc_.Get(), OBJ_BITMAP)), canvas_(dc_.Get())
{
    if (!dc_.Get()) throw Exception("Cannot create a device context for a picture");
    canvas_.OnChange = [this](Object*) { Changed(); };
}

Bitmap::~Bitmap()
{
    // A bitmap cannot be deleted while a device context holds it.
    SelectObject(dc_.Get(), initialPicture_);
}

void Bitmap::Replace(BitmapHandle picture, int width, int height)
{
    SelectObject(dc_.Get(), picture.Get() ? static_cast<HGDIOBJ>(picture.Get()) : initialPicture_);
    picture_ = std::move(picture);
    width_ = picture_.Get() ? width : 0;
    height_ = picture_.Get() ? height : 0;
}

namespace {

BitmapHandle NewScreenBitmap(int width, int height)
{
    HDC screen = GetDC(nullptr);
    BitmapHandle picture(CreateCompatibleBitmap(screen, width, height));
    ReleaseDC(nullptr, screen);
    if (!picture.Get())
        throw Exception("Cannot create a picture of " + std::to_string(width) + " x " + std::to_string(height));
    return picture;
}

} // namespace

void Bitmap::SetSize(int width, int height)
{
    BitmapHandle picture;
    if (width > 0 && height > 0) {
        picture = NewScreenBitmap(width, height);
        MemoryDC scratch;
        SelectScope selected(scratch.Get(), picture.Get());
        PatBlt(scratch.Get(), 0, 0, width, height, WHITENESS);
        if (!Empty())
            BitBlt(scratch.Get(), 0, 0, std::min(width, width_), std::min(height, height_), dc_.Get(), 0, 0, SRCCOPY);
    }
    Replace(std::move(picture), width, height);
    Changed();
}

void Bitmap::Assign(const Bitmap* source)
{
    if (source != this) {
        BitmapHandle picture;
        if (source && !source->Empty()) {
            picture = NewScreenBitmap(source->width_, source->height_);
            MemoryDC scratch;
            SelectScope selected(scratch.Get(), picture.Get());
            BitBlt(scratch.Get(), 0, 0, source->width_, source->height_, source->Handle(), 0, 0, SRCCOPY);
        }
        Replace(std::move(picture), source ? source->width_ : 0, source ? source->height_ : 0);
    }
    Changed();
}

} // namespace classlib
