// The standard controls: labels, buttons, edit fields, group boxes, memos, panels, status
// bars and images.
#pragma once

#include "classlib/Controls.h"

#include <string>
#include <vector>

namespace classlib {

// A caption painted by its parent. With auto-size on it takes the size of its
// caption; transparent, it leaves the parent's background showing.
class Label : public GraphicControl {
public:
    using GraphicControl::GraphicControl;

    void Configure(const ControlSettings& settings) override;
    void Paint(Canvas& canvas) override;

    bool AutoSize() const { return autoSize_; }
    bool Transparent() const { return transparent_; }
    // The caption's size in the label's font, with an empty caption measured as one line.
    SIZE MeasureCaption() const;

protected:
    void CaptionChanged() override;
    void FontChanged() override;

private:
    void AdjustSize();
    UINT DrawFormat() const;

    bool autoSize_ = true;
    bool transparent_ = false;
    bool wordWrap_ = false;
    Alignment alignment_ = Alignment::LeftJustify;
};

// A push button. One with a modal result gives it to its form when clicked,
// before its click event runs; a form shown modally then tries to close.
class Button : public WinControl {
public:
    using WinControl::WinControl;

    void Configure(const ControlSettings& settings) override;
    bool Default() const { return default_; }
    int ModalResult() const { return modalResult_; }
    void Click() override;

protected:
    void FillCreateParams(CreateParams& params) override;
    void Command(WORD code) override;

private:
    bool default_ = false;
    int modalResult_ = 0;
};

// A single-line edit field of the system's class; its caption is the text it starts with.
class Edit : public WinControl {
public:
    using WinControl::WinControl;

    std::string Text() const;
    void SetText(const std::string& text);
    void SelectAll();

protected:
    void FillCreateParams(CreateParams& params) override;
};

// A frame with a caption that holds other controls.
class GroupBox : public CustomControl {
public:
    using CustomControl::CustomControl;

protected:
    void FillCreateParams(CreateParams& params) override;
    void Paint(Canvas& canvas) override;
};

// Multi-line text; read-only here means the user cannot change it.
class Memo : public WinControl {
public:
    using WinControl::WinControl;

    void Configure(const ControlSettings& settings) override;
    // The text as the control holds it (its caption is the text it starts with).
    std::string Text() const;

protected:
    void FillCreateParams(CreateParams& params) override;
    HBRUSH ControlColor(HDC dc) override;
    void ColorChanged() override;

private:
    bool readOnly_ = false;
    bool wordWrap_ = true;
    ScrollBars scrollBars_ = ScrollBars::None;
    BrushHandle brush_;
};

// A surface framed by an outer bevel, a border ring in its colour and an
// inner bevel, each bevel BevelWidth pixels wide in the system's highlight and
// shadow colours (a space bevel leaves the width in the panel colour). Its
// caption is drawn on one line inside the frame, centred vertically, placed
// horizontally by its alignment and clipped at the frame.
class Panel : public CustomControl {
public:
    // 185 x 41, caption centred, a raised outer bevel one pixel wide.
    explicit Panel(WinControl* parent);

    // Takes the outer bevel of the settings; the alignment stays centred, as
    // the settings' own default is left-justified.
    void Configure(const ControlSettings& settings) override;

    Bevel BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(Bevel value);
    Bevel BevelInner() const { return bevelInner_; }
    void SetBevelInner(Bevel value);
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int value);
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int value);
    Alignment GetAlignment() const { return alignment_; }
    void SetAlignment(Alignment value);

protected:
    void FillCreateParams(CreateParams& params) override;
    void Paint(Canvas& canvas) override;

private:
    Bevel bevelOuter_ = Bevel::Raised;
    Bevel bevelInner_ = Bevel::None;
    int bevelWidth_ = 1;
    int borderWidth_ = 0;
    Alignment alignment_ = Alignment::Center;
};

// The common controls' status bar. It writes in the system's status-bar font.
class StatusBar : public WinControl {
public:
    using WinControl::WinControl;

    void Configure(const ControlSettings& settings) override;
    void SetPanelText(int index, const std::string& text);
    std::string PanelText(int index) const;

protected:
    void FillCreateParams(CreateParams& params) override;
    void HandleCreated() override;
    void FontChanged() override {}

private:
    std::vector<int> panelWidths_;
    bool sizeGrip_ = true;
};

// An icon from the program's resources, painted by the parent.
class Image : public GraphicControl {
public:
    using GraphicControl::GraphicControl;
    ~Image() override;

    void Configure(const ControlSettings& settings) override;
    void Paint(Canvas& canvas) override;
    bool HasPicture() const { return icon_ != nullptr; }

private:
    HICON icon_ = nullptr;
};

} // namespace classlib
