#include "components/GradPan.h"

using namespace classlib;

namespace {

static_assert(int(Alignment::LeftJustify) == int(gradpan::TextAlign::LeftJustify) &&
              int(Alignment::RightJustify) == int(gradpan::TextAlign::RightJustify) &&
              int(Alignment::Center) == int(gradpan::TextAlign::Center));
static_assert(int(Bevel::None) == int(gradpan::BevelKind::None) &&
              int(Bevel::Lowered) == int(gradpan::BevelKind::Lowered) &&
              int(Bevel::Raised) == int(gradpan::BevelKind::Raised) &&
              int(Bevel::Space) == int(gradpan::BevelKind::Space));
static_assert(gradpan::kHitCaption == HTCAPTION && gradpan::kHitLeft == HTLEFT && gradpan::kHitRight == HTRIGHT &&
              gradpan::kHitTop == HTTOP && gradpan::kHitTopLeft == HTTOPLEFT &&
              gradpan::kHitTopRight == HTTOPRIGHT && gradpan::kHitBottom == HTBOTTOM &&
              gradpan::kHitBottomLeft == HTBOTTOMLEFT && gradpan::kHitBottomRight == HTBOTTOMRIGHT);

RECT ToRect(const gradpan::Rect& r)
{
    return {r.left, r.top, r.right, r.bottom};
}

UINT TextAlignOf(gradpan::TextAnchor anchor)
{
    switch (anchor) {
    case gradpan::TextAnchor::Right: return TA_TOP | TA_RIGHT;
    case gradpan::TextAnchor::Center: return TA_TOP | TA_CENTER;
    default: return TA_TOP | TA_LEFT;
    }
}

} // namespace

TGradPan::TGradPan(WinControl* parent) : Panel(parent), bitmap_(std::make_unique<classlib::Bitmap>())
{
    bitmap_->SetSize(50, 50);
    bitmap_->GetCanvas().Rectangle({0, 0, 49, 49});
    bitmap_->OnChange = Bind(this, &TGradPan::BitmapChanged);
}

TGradPan::~TGradPan() = default;

void TGradPan::SetBackGroundEffect(TDirection value)
{
    backGroundEffect_ = value;
    Repaint();
}

void TGradPan::SetVertAlign(TVertAlign value)
{
    vertAlign_ = value;
    Repaint();
}

void TGradPan::SetColorEnd(TColor value)
{
    colorEnd_ = value;
    Repaint();
}

void TGradPan::SetColorStart(TColor value)
{
    colorStart_ = value;
    Repaint();
}

void TGradPan::SetColorShadow(TColor value)
{
    colorShadow_ = value;
    Repaint();
}

void TGradPan::SetTextEffect(TTextEffect value)
{
    textEffect_ = value;
    Repaint();
}

void TGradPan::SetTextRotation(TTextRotation value)
{
    textRotation_ = value;
    Repaint();
}

void TGradPan::SetCtl3D(bool value)
{
    ctl3d_ = value;
    Repaint();
}

void TGradPan::SetBitmap(const classlib::Bitmap* value)
{
    bitmap_->Assign(value);  // reports the change, which repaints
}

void TGradPan::BitmapChanged(Object*)
{
    if (backGroundEffect_ == bdStretchImage || backGroundEffect_ == bdTileImage) Repaint();
}

LRESULT TGradPan::HitTest(POINT screenPoint)
{
    if (!Moveable) return HTNOWHERE;
    POINT client = screenPoint;
    ScreenToClient(Handle(), &client);
    return gradpan::HitTest(client.x, client.y, GetBounds().width, GetBounds().height, Marge);
}

void TGradPan::Moved()
{
    Raise(OnPanelMove, this);
    Panel::Moved();
}

void TGradPan::Paint(Canvas& canvas)
{
    // The text alignment, background mode and pen mode set here are for this paint only.
    HDC dc = canvas.Handle();
    const int saved = SaveDC(dc);
    canvas.SetFont(GetFont());
    canvas.SetPenMode(R2_COPYPEN);
    Panel::Paint(canvas);

    switch (backGroundEffect_) {
    case bdFlat: PaintFlat(canvas); break;
    case bdStretchImage:
    case bdTileImage: PaintImage(canvas); break;
    case bdUp:
    case bdDown:
    case bdLeft:
    case bdRight: PaintLinearGradient(canvas, backGroundEffect_ - bdUp); break;
    case bdHorzIn: PaintMirroredGradient(canvas, false, false); break;
    case bdHorzOut: PaintMirroredGradient(canvas, true, false); break;
    case bdVertIn: PaintMirroredGradient(canvas, false, true); break;
    case bdVertOut: PaintMirroredGradient(canvas, true, true); break;
    }

    PaintCaption(canvas);
    PaintFrame(canvas);
    RestoreDC(dc, saved);
}

void TGradPan::BuildColorTable(TColor fromColor, TColor toColor, int count)
{
    gradpan::BuildColorTable(colorTable_, fromColor, toColor, count);
}

void TGradPan::PaintFlat(Canvas& canvas)
{
    canvas.FillRect({0, 0, GetBounds().width, GetBounds().height}, colorStart_);
}

void TGradPan::PaintLinearGradient(Canvas& canvas, int kind)
{
    PaintBands(canvas, gradpan::LinearGradient(kind, colorStart_, colorEnd_));
}

void TGradPan::PaintMirroredGradient(Canvas& canvas, bool reversed, bool vertical)
{
    PaintBands(canvas, gradpan::MirroredGradient(reversed, vertical, colorStart_, colorEnd_));
}

void TGradPan::PaintBands(Canvas& canvas, const gradpan::Gradient& gradient)
{
    BuildColorTable(gradient.from, gradient.to, gradpan::kColorCount);
    for (int k = 0; k < gradpan::kColorCount; ++k)
        canvas.FillRect(ToRect(gradpan::BandRect(gradient, k, GetBounds().width, GetBounds().height)),
                        colorTable_[static_cast<std::size_t>(gradpan::BandEntry(gradient, k))]);
}

void TGradPan::PaintImage(Canvas& canvas)
{
    if (bitmap_->Empty()) {
        PaintFlat(canvas);
        return;
    }
    const int width = GetBounds().width, height = GetBounds().height;
    const int inset = gradpan::ImageInset(ctl3d_, BevelWidth(), BorderWidth());
    if (backGroundEffect_ == bdStretchImage) {
        canvas.StretchDraw(ToRect(gradpan::StretchTarget(width, height, inset)), *bitmap_);
        return;
    }
    const int pw = bitmap_->Width(), ph = bitmap_->Height();
    const gradpan::TileGrid grid = gradpan::TileImage(width, height, inset, pw, ph);
    for (int c = 0; c < grid.columns; ++c)
        for (int r = 0; r < grid.rows; ++r) canvas.Draw(grid.origin.x + c * pw, grid.origin.y + r * ph, *bitmap_);
}

void TGradPan::PaintCaption(Canvas& canvas)
{
    canvas.SetBkMode(TRANSPARENT);
    const gradpan::CaptionLayout layout{
        .width = GetBounds().width,
        .height = GetBounds().height,
        .borderWidth = BorderWidth(),
        .bevelWidth = BevelWidth(),
        .textHeight = static_cast<int>(canvas.TextExtent("^_", GetFont()).cy),
        .alignment = static_cast<gradpan::TextAlign>(GetAlignment()),
        .vertAlign = vertAlign_,
        .rotation = textRotation_,
    };
    const gradpan::CaptionPlacement placement = gradpan::PlaceCaption(layout);
    canvas.SetTextAlign(TextAlignOf(placement.anchor));

    const TColor fontColor = canvas.FontColor();
    for (const gradpan::TextCopy& copy : gradpan::TextCopies(textEffect_, textRotation_)) {
        canvas.SetFontColor(copy.color == gradpan::CopyColor::Shadow  ? colorShadow_
                            : copy.color == gradpan::CopyColor::Black ? clBlack
                                                                       : fontColor);
        const int x = placement.reference.x + copy.dx, y = placement.reference.y + copy.dy;
        if (textRotation_ == trNone)
            canvas.TextOut(x, y, Caption());
        else
            TextOutRotated(canvas, x, y, Caption(), textRotation_ == TrUp ? 90 : 270);
    }
}

void TGradPan::TextOutRotated(Canvas& canvas, int x, int y, const std::string& text, int angle)
{
    // Only the direction of writing turns; the orientation stays as the font has it.
    LOGFONTA lf = canvas.GetFont().LogFont();
    lf.lfEscapement = angle * 10;
    FontHandle rotated(CreateFontIndirectA(&lf));
    HDC dc = canvas.Handle();
    SelectScope selected(dc, rotated.Get());
    const COLORREF previousColor = SetTextColor(dc, ColorToRGB(canvas.FontColor()));
    // The whole caption, however long: the text is handed over as it is, not through a buffer.
    TextOutA(dc, x, y, text.c_str(), static_cast<int>(text.size()));
    SetTextColor(dc, previousColor);
}

void TGradPan::PaintFrame(Canvas& canvas)
{
    const gradpan::Frame frame = gradpan::FrameOf({
        .width = GetBounds().width,
        .height = GetBounds().height,
        .bevelOuter = static_cast<gradpan::BevelKind>(BevelOuter()),
        .bevelInner = static_cast<gradpan::BevelKind>(BevelInner()),
        .bevelWidth = BevelWidth(),
        .borderWidth = BorderWidth(),
        .ctl3d = ctl3d_,
    });
    for (const gradpan::FrameLine& line : frame.lines) {
        canvas.SetPenColor(line.color);
        canvas.MoveTo(line.from.x, line.from.y);
        canvas.LineTo(line.to.x, line.to.y);
    }
    canvas.SetBrushColor(Color());
    for (const gradpan::Rect& ring : frame.ringOutlines) canvas.FrameRect(ToRect(ring));
}
