// Controls: the windowless ones painted by their parent, and the windowed ones
// whose messages reach C++ through one window procedure.
#pragma once

#include "classlib/Graphics.h"
#include "classlib/Object.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace classlib {

class WinControl;

enum class Align { None, Top, Bottom, Left, Right, Client };
enum class Alignment { LeftJustify, RightJustify, Center };
enum class ScrollBars { None, Horizontal, Vertical, Both };
enum class Bevel { None, Lowered, Raised, Space };

struct Bounds {
    int left = 0, top = 0, width = 0, height = 0;
    RECT Rect() const { return {left, top, left + width, top + height}; }
    bool operator==(const Bounds&) const = default;
};

// What a layout row may set on a control; each kind of control takes what
// applies to it and ignores the rest.
struct ControlSettings {
    std::optional<FontDesc> font;    // own font; otherwise the parent's
    std::optional<TColor> color;     // own colour; otherwise the parent's
    bool transparent = false;
    bool autoSize = true;
    Alignment alignment = Alignment::LeftJustify;
    Align align = Align::None;
    int tabOrder = -1;               // -1: after the others, in creation order
    bool defaultButton = false;
    bool readOnly = false;
    ScrollBars scrollBars = ScrollBars::None;
    bool wordWrap = false;
    std::vector<int> panelWidths;    // status bar parts; the last reaches the right end
    bool sizeGrip = true;
    Bevel bevelOuter = Bevel::Raised;
    int picture = 0;                 // icon resource id
    int modalResult = 0;             // a button's: what clicking it makes the form's modal result
    int itemHeight = 0;              // list items' height in pixels; 0: the system's
    const char* dirList = nullptr;   // a drive box's: the name of the directory list it moves
};

class Control : public Object {
public:
    explicit Control(WinControl* parent);
    ~Control() override;

    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }

    WinControl* Parent() const { return parent_; }
    virtual void SetParent(WinControl* parent);

    const Bounds& GetBounds() const { return bounds_; }
    virtual void SetBounds(const Bounds& bounds);

    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string caption);

    // The control's font: its own, or a copy of its parent's while it has none.
    const Font& GetFont() const { return font_; }
    void SetFont(const FontDesc& desc);
    bool ParentFont() const { return parentFont_; }

    TColor Color() const { return color_; }
    void SetColor(TColor color);

    bool Visible() const { return visible_; }
    virtual void SetVisible(bool visible);

    Align GetAlign() const { return align_; }
    void SetAlign(Align align);

    // Takes a layout row's settings; called once, before the window exists.
    virtual void Configure(const ControlSettings& settings);

    virtual void Invalidate();
    // Repaints what is invalid now instead of at the next turn of the loop.
    virtual void Update();
    // Invalidates and repaints at once.
    void Repaint()
    {
        Invalidate();
        Update();
    }

    // Runs the click event; what a click by the user does.
    virtual void Click();
    NotifyEvent OnClick;
    // Raised by the controls whose value the user changes; the others never raise it.
    NotifyEvent OnChange;

    // The parent's font or colour changed.
    void ParentFontChanged();
    void ParentColorChanged();

protected:
    // Records where the system has put the control, without moving it.
    void StoreBounds(const Bounds& bounds) { bounds_ = bounds; }
    virtual void CaptionChanged() {}
    virtual void FontChanged() {}
    virtual void ColorChanged() { Invalidate(); }

private:
    WinControl* parent_ = nullptr;
    std::string name_;
    Bounds bounds_;
    std::string caption_;
    Font font_;
    bool parentFont_ = true;
    TColor color_ = clBtnFace;
    bool parentColor_ = true;
    bool visible_ = true;
    Align align_ = Align::None;
};

// A control without a window of its own: its parent paints it, in creation
// order, after its own background.
class GraphicControl : public Control {
public:
    using Control::Control;

    // Draws the control with (0, 0) at its top-left corner; the canvas is
    // clipped to the control's bounds.
    virtual void Paint(Canvas& canvas) = 0;
    void Invalidate() override;
    void Update() override;
};

class WinControl : public Control {
public:
    explicit WinControl(WinControl* parent);
    ~WinControl() override;

    HWND Handle() const { return handle_; }
    bool HandleAllocated() const { return handle_ != nullptr; }
    void CreateHandle();
    // The control that a window of this library belongs to, or nullptr.
    static WinControl* FromHandle(HWND handle);

    const std::vector<Control*>& Controls() const { return controls_; }
    void InsertControl(Control* control);
    void RemoveControl(Control* control);

    int TabOrder() const { return tabOrder_; }
    int ControlId() const { return id_; }
    // Windowed children in tab order, which is also their order on the screen.
    void ArrangeTabOrder();
    // Places the aligned children: top, bottom, left, right, then client.
    void AlignControls();
    RECT ClientRect() const;

    void SetParent(WinControl* parent) override;
    void SetBounds(const Bounds& bounds) override;
    void SetVisible(bool visible) override;
    void Configure(const ControlSettings& settings) override;
    void Invalidate() override;
    void Update() override;
    void SetFocus();

protected:
    struct CreateParams {
        std::string className;  // registered by the library unless systemClass
        bool systemClass = false;
        DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
        DWORD exStyle = 0;
        std::string caption;
        Bounds bounds;
    };
    virtual void FillCreateParams(CreateParams& params);
    virtual void HandleCreated() {}

    // Messages of a window of the library's own classes. The default handles
    // painting, sizing, commands and colours of children; the rest goes to
    // DefWindowProc.
    virtual LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);

    // Background, Paint, then the windowless children.
    virtual void PaintWindow(Canvas& canvas);
    virtual void Paint(Canvas&) {}
    virtual void Resized() { AlignControls(); }
    // Which part of the window a point in screen coordinates lies on (HT*); by
    // default the system's answer.
    virtual LRESULT HitTest(POINT screenPoint);
    // The window has moved; by default its new place becomes the bounds.
    virtual void Moved();

    // Notifications that a system control sends its parent, handed back to it.
    virtual void Command(WORD /*code*/) {}
    virtual HBRUSH ControlColor(HDC /*dc*/) { return nullptr; }

    void CaptionChanged() override;
    void FontChanged() override;
    void ColorChanged() override;

private:
    static LRESULT CALLBACK StdWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // Where the window is now: in the parent's client area, or on the screen.
    Bounds WindowBounds() const;
    static void RegisterOwnClass(const std::string& className);
    void Attach(HWND handle);
    WinControl* FindById(int id);

    HWND handle_ = nullptr;
    std::vector<Control*> controls_;
    int tabOrder_ = -1;
    int id_;
};

// A windowed control of the library's own class that paints itself,
// its caption included.
class CustomControl : public WinControl {
public:
    using WinControl::WinControl;

protected:
    void CaptionChanged() override
    {
        WinControl::CaptionChanged();
        Invalidate();
    }
};

} // namespace classlib
