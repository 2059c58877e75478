// The gradient panel: a panel that paints its own background (a flat colour,
// its picture stretched or tiled, or one of eight two-colour gradients) and
// its own caption, placed freely, turned a quarter either way and written with
// a shadow, relief or outline. Made movable, the user drags it inside its
// parent by its interior and sizes it by its edges and corners.
#pragma once

#include "classlib/Graphics.h"
#include "classlib/StdCtrls.h"
#include "components/GradPanRules.h"

#include <memory>
#include <string>

class TGradPan : public classlib::Panel {
public:
    // A panel of the platform's defaults showing bdVertIn from 0x808000 to
    // white, its caption centred with a grey shadow, and the placeholder
    // picture: a white 50 x 50 square outlined in black, whose last column and
    // row stay white.
    explicit TGradPan(classlib::WinControl* parent);
    ~TGradPan() override;

    // Each setter repaints at once, also when given the value it already has.
    TDirection BackGroundEffect() const { return backGroundEffect_; }
    void SetBackGroundEffect(TDirection value);
    TVertAlign VertAlign() const { return vertAlign_; }
    void SetVertAlign(TVertAlign value);
    // The gradients' second colour.
    classlib::TColor ColorEnd() const { return colorEnd_; }
    void SetColorEnd(classlib::TColor value);
    // The gradients' first colour and the flat colour. The gradients take a
    // system colour's value as plain bits; the flat fill resolves it.
    classlib::TColor ColorStart() const { return colorStart_; }
    void SetColorStart(classlib::TColor value);
    // The colour of the caption's shadow, outline and relief copies.
    classlib::TColor ColorShadow() const { return colorShadow_; }
    void SetColorShadow(classlib::TColor value);
    TTextEffect TextEffect() const { return textEffect_; }
    void SetTextEffect(TTextEffect value);
    TTextRotation TextRotation() const { return textRotation_; }
    void SetTextRotation(TTextRotation value);
    // The border ring between the bevels in the panel colour, and the pictures
    // kept clear of the frame.
    bool Ctl3D() const { return ctl3d_; }
    void SetCtl3D(bool value);

    // The panel's own picture, shown by bdStretchImage and bdTileImage; drawing
    // on its canvas repaints the panel while one of those is chosen.
    classlib::Bitmap& Bitmap() { return *bitmap_; }
    const classlib::Bitmap& Bitmap() const { return *bitmap_; }
    // Copies `value`'s pixels into the panel's picture (the caller keeps its
    // own); nullptr empties the panel's picture.
    void SetBitmap(const classlib::Bitmap* value);

    // The gradient colours of the last gradient painted.
    const gradpan::ColorTable& ColorTable() const { return colorTable_; }

    // Width in pixels of the edge zones that size a movable panel.
    int Marge = 6;
    // Raised when the panel's window has moved, while the bounds still hold
    // the previous place.
    classlib::NotifyEvent OnPanelMove;
    // The user may drag and size the panel; without it the panel answers
    // every hit test with HTNOWHERE and gets no mouse input.
    bool Moveable = false;

protected:
    void Paint(classlib::Canvas& canvas) override;
    LRESULT HitTest(POINT screenPoint) override;
    void Moved() override;

private:
    void BitmapChanged(classlib::Object* sender);

    void BuildColorTable(classlib::TColor fromColor, classlib::TColor toColor, int count);
    void PaintFlat(classlib::Canvas& canvas);
    void PaintLinearGradient(classlib::Canvas& canvas, int kind);
    void PaintMirroredGradient(classlib::Canvas& canvas, bool reversed, bool vertical);
    void PaintBands(classlib::Canvas& canvas, const gradpan::Gradient& gradient);
    void PaintImage(classlib::Canvas& canvas);
    void PaintCaption(classlib::Canvas& canvas);
    void TextOutRotated(classlib::Canvas& canvas, int x, int y, const std::string& text, int angle);
    void PaintFrame(classlib::Canvas& canvas);

    TDirection backGroundEffect_ = bdVertIn;
    TVertAlign vertAlign_ = vlCenter;
    classlib::TColor colorEnd_ = 0xFFFFFF;
    classlib::TColor colorStart_ = 0x808000;
    classlib::TColor colorShadow_ = 0x808080;
    TTextEffect textEffect_ = teShadow;
    TTextRotation textRotation_ = trNone;
    bool ctl3d_ = false;
    std::unique_ptr<classlib::Bitmap> bitmap_;
    gradpan::ColorTable colorTable_{};
};
