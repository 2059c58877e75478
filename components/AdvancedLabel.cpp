#include "components/AdvancedLabel.h"

using namespace classlib;

// --- TFont3D ---

TFont3D::TFont3D(TAdvancedLabel& owner) : owner_(owner) {}

void TFont3D::Changed()
{
    if (owner_.Designing()) owner_.Invalidate();
}

void TFont3D::SetEnabled(bool value)
{
    settings_.enabled = value;
    Changed();
}

void TFont3D::SetStyle(TFont3DStyle value)
{
    settings_.style = value;
    Changed();
}

void TFont3D::SetHighlight(TColor value)
{
    settings_.highlight = value;
    Changed();
}

void TFont3D::SetShadow(TColor value)
{
    settings_.shadow = value;
    Changed();
}

void TFont3D::SetRepetition(TFont3DRepeat value)
{
    settings_.repetition = value;
    Changed();
}

void TFont3D::SetRepetitionColor(TColor value)
{
    settings_.repetitionColor = value;
    Changed();
}

void TFont3D::SetRepetitionWidth(int value)
{
    settings_.repetitionWidth = advlabel::ClampRepetitionWidth(value);
    Changed();
}

void TFont3D::Assign(const advlabel::Font3DSettings& settings)
{
    SetEnabled(settings.enabled);
    SetStyle(settings.style);
    SetHighlight(settings.highlight);
    SetShadow(settings.shadow);
    SetRepetition(settings.repetition);
    SetRepetitionColor(settings.repetitionColor);
    SetRepetitionWidth(settings.repetitionWidth);
}

// --- TAdvancedLabel ---

TAdvancedLabel::TAdvancedLabel(WinControl* parent, bool designing)
    : Label(parent), designing_(designing), font3d_(std::make_unique<TFont3D>(*this))
{
    if (!designing_) return;
    font3d_->SetShadow(clBlack);
    FontDesc white = GetFont().Desc();
    white.color = clWhite;
    SetFont(white);
    SetTransparent(true);
}

TAdvancedLabel::~TAdvancedLabel() = default;

void TAdvancedLabel::SetFont3D(const TFont3D& value)
{
    font3d_->Assign(value.Settings());
    Invalidate();
}

void TAdvancedLabel::Configure(const ControlSettings& settings)
{
    Label::Configure(settings);
    reading_ = false;
    transparent_ = settings.transparent;
    wordWrap_ = settings.wordWrap;
    alignment_ = settings.alignment;
    GrowForRepetition();
}

void TAdvancedLabel::CaptionChanged()
{
    if (reading_)
        Invalidate();
    else
        Label::CaptionChanged();
    GrowForRepetition();
}

void TAdvancedLabel::GrowForRepetition()
{
    const Bounds b = GetBounds();
    const advlabel::Size grown = advlabel::GrownForRepetition({b.width, b.height}, font3d_->RepetitionWidth());
    SetBounds({b.left, b.top, grown.width, grown.height});
}

void TAdvancedLabel::SetTransparent(bool value)
{
    transparent_ = value;
    Invalidate();
}

void TAdvancedLabel::SetEnabled(bool value)
{
    enabled_ = value;
    Invalidate();
}

void TAdvancedLabel::SetShowAccelChar(bool value)
{
    showAccelChar_ = value;
    Invalidate();
}

void TAdvancedLabel::SetLayout(TTextLayout value)
{
    layout_ = value;
    Invalidate();
}

advlabel::LabelLook TAdvancedLabel::Look() const
{
    advlabel::LabelLook look;
    look.enabled = enabled_;
    look.showAccelChar = showAccelChar_;
    look.wordWrap = wordWrap_;
    look.alignment = alignment_ == Alignment::RightJustify ? advlabel::TextAlign::RightJustify
                     : alignment_ == Alignment::Center     ? advlabel::TextAlign::Center
                                                           : advlabel::TextAlign::LeftJustify;
    look.layout = layout_;
    look.fontColor = GetFont().Color();
    look.font3d = font3d_->Settings();
    return look;
}

namespace {

// One DrawTextA call in the canvas font, without a background.
advlabel::WriteText CanvasWriter(Canvas& canvas)
{
    return [&canvas](const std::string& text, advlabel::Rect& rect, unsigned flags, advlabel::Color color) {
        HDC dc = canvas.Handle();
        SelectScope selected(dc, canvas.GetFont().Handle());
        const COLORREF oldColor = SetTextColor(dc, ColorToRGB(color));
        RECT r{rect.left, rect.top, rect.right, rect.bottom};
        DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, flags);
        SetTextColor(dc, oldColor);
        rect = {r.left, r.top, r.right, r.bottom};
    };
}

} // namespace

void TAdvancedLabel::Draw3DText(Canvas& canvas, RECT& rect, UINT flags)
{
    canvas.SetFont(GetFont());
    advlabel::Rect r{rect.left, rect.top, rect.right, rect.bottom};
    advlabel::Draw3DText(Look(), Caption(), r, flags, CanvasWriter(canvas));
    rect = {r.left, r.top, r.right, r.bottom};
}

void TAdvancedLabel::Paint(Canvas& canvas)
{
    const Bounds& b = GetBounds();
    if (!transparent_) canvas.FillRect({0, 0, b.width, b.height}, Color());
    // The copies must not wipe each other out.
    const int oldMode = SetBkMode(canvas.Handle(), TRANSPARENT);
    canvas.SetFont(GetFont());
    advlabel::PaintText(Look(), Caption(), b.width, b.height, CanvasWriter(canvas));
    SetBkMode(canvas.Handle(), oldMode);
}
