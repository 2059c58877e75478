// The 3D label: a label whose caption is written with a relief of one-pixel
// copies in a highlight and a shadow colour, optionally after a run of copies
// that extrude it diagonally. The relief settings are the label's Font3D.
#pragma once

#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"
#include "components/AdvancedLabelRules.h"

#include <memory>
#include <utility>

class TAdvancedLabel;

// The relief settings of one label. A change shows at the label's next paint;
// only a label being edited in a form designer repaints at once.
class TFont3D : public classlib::Object {
public:
    explicit TFont3D(TAdvancedLabel& owner);

    bool Enabled() const { return settings_.enabled; }
    void SetEnabled(bool value);
    TFont3DStyle Style() const { return settings_.style; }
    void SetStyle(TFont3DStyle value);
    classlib::TColor Highlight() const { return settings_.highlight; }
    void SetHighlight(classlib::TColor value);
    classlib::TColor Shadow() const { return settings_.shadow; }
    void SetShadow(classlib::TColor value);
    TFont3DRepeat Repetition() const { return settings_.repetition; }
    void SetRepetition(TFont3DRepeat value);
    classlib::TColor RepetitionColor() const { return settings_.repetitionColor; }
    void SetRepetitionColor(classlib::TColor value);
    // The number of extruded copies and the label's extra margin on each side;
    // kept within 0 to advlabel::kMaxRepetitionWidth.
    int RepetitionWidth() const { return settings_.repetitionWidth; }
    void SetRepetitionWidth(int value);

    const advlabel::Font3DSettings& Settings() const { return settings_; }
    // All seven at once, each through its setter.
    void Assign(const advlabel::Font3DSettings& settings);

private:
    void Changed();

    TAdvancedLabel& owner_;
    advlabel::Font3DSettings settings_;
};

class TAdvancedLabel : public classlib::Label {
public:
    // `designing`: the label is being dropped onto a form in a form designer,
    // and starts white on transparent with a black shadow.
    explicit TAdvancedLabel(classlib::WinControl* parent, bool designing = false);
    ~TAdvancedLabel() override;

    TFont3D& Font3D() { return *font3d_; }
    const TFont3D& Font3D() const { return *font3d_; }
    // Copies the seven settings of `value`; the caller keeps its object.
    void SetFont3D(const TFont3D& value);

    bool Designing() const { return designing_; }
    // The label is being read from a layout until Configure: a caption change
    // then grows it without sizing it to its text first.
    void BeginReading() { reading_ = true; }

    // Takes the row's settings as the platform label does, the text look
    // included, then grows for the repetition: the end of reading the label.
    void Configure(const classlib::ControlSettings& settings) override;
    void Paint(classlib::Canvas& canvas) override;

    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    bool ShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool value);
    TTextLayout Layout() const { return layout_; }
    void SetLayout(TTextLayout value);
    bool WordWrap() const { return wordWrap_; }
    classlib::Alignment GetAlignment() const { return alignment_; }

    // Width and height each grow by twice the repetition width.
    void GrowForRepetition();
    // Writes the caption with all its copies; `rect` is left where the last copy went.
    void Draw3DText(classlib::Canvas& canvas, RECT& rect, UINT flags);

protected:
    void CaptionChanged() override;

private:
    advlabel::LabelLook Look() const;

    bool designing_;
    bool reading_ = false;
    std::unique_ptr<TFont3D> font3d_;
    bool transparent_ = false;
    bool enabled_ = true;
    bool showAccelChar_ = true;
    TTextLayout layout_ = tlTop;
    bool wordWrap_ = false;
    classlib::Alignment alignment_ = classlib::Alignment::LeftJustify;
};

// A layout row for a 3D label whose relief is part of the row: the settings
// are in place before the caption and the row's settings arrive, as they are
// when a form description is read, so that the label grows for them.
template <class FormT>
classlib::LayoutEntry<FormT> PlaceAdvancedLabel(TAdvancedLabel* FormT::*field, classlib::ControlRow<FormT> row,
                                                advlabel::Font3DSettings font3d)
{
    return {std::move(row), [field, font3d](FormT& form, classlib::WinControl& parent) -> classlib::Control& {
                TAdvancedLabel& label = form.template Own<TAdvancedLabel>(&parent);
                label.BeginReading();
                label.Font3D().Assign(font3d);
                form.*field = &label;
                return label;
            }};
}
