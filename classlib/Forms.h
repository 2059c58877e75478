// Forms: top-level windows built from a layout table.
#pragma once

#include "classlib/Controls.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace classlib {

enum class BorderStyle { None, Single, Sizeable, Dialog };
enum class FormStyle { Normal, StayOnTop };
enum class Position { Designed, ScreenCenter };
enum class WindowState { Normal, Minimized, Maximized };

// Modal results: what ended a modal showing. 0 means it goes on.
constexpr int mrNone = 0;
constexpr int mrOk = IDOK;
constexpr int mrCancel = IDCANCEL;

struct BorderIcons {
    bool systemMenu = true;
    bool minimize = true;
    bool maximize = true;
};

struct FormSettings {
    const char* caption = "";
    int left = 0, top = 0;
    int clientWidth = 0, clientHeight = 0;
    BorderStyle borderStyle = BorderStyle::Sizeable;
    BorderIcons borderIcons;
    FormStyle formStyle = FormStyle::Normal;
    Position position = Position::Designed;
    WindowState windowState = WindowState::Normal;
    bool visible = false;
    TColor color = clBtnFace;
    FontDesc font;
    int icon = 0;  // icon resource id; 0: the system's
};

// One control of a form's layout: where it stands, what it shows, which of the
// form's handlers its events call.
template <class FormT>
struct ControlRow {
    const char* name;
    const char* parent = nullptr;  // the name of a control of the form; nullptr: the form
    Bounds bounds;
    std::string caption;
    ControlSettings settings{};
    void (FormT::*onClick)(Object*) = nullptr;
    void (FormT::*onChange)(Object*) = nullptr;
};

template <class FormT>
struct LayoutEntry {
    ControlRow<FormT> row;
    std::function<Control&(FormT& form, WinControl& parent)> create;
};

// A row for a control of class C, which the form keeps in `field`.
template <class C, class FormT>
LayoutEntry<FormT> Place(C* FormT::*field, ControlRow<FormT> row)
{
    return {std::move(row), [field](FormT& form, WinControl& parent) -> Control& {
                C& control = form.template Own<C>(&parent);
                form.*field = &control;
                return control;
            }};
}

template <class FormT>
struct Layout {
    FormSettings form;
    std::vector<LayoutEntry<FormT>> controls;
};

class Form : public WinControl {
public:
    // `className` names the form's window class, so that other programs can
    // tell its windows apart.
    explicit Form(std::string className);
    ~Form() override;

    // Builds the window and its controls, runs OnCreate, then shows the form
    // when its layout says it is visible.
    void Create();

    void SetVisible(bool visible) override;
    void Show();
    void Hide();
    void BringToFront();
    // Asks OnCloseQuery; the application's main form ends the message loop,
    // any other form hides. A form shown modally is given the result Cancel
    // instead, and its loop asks.
    void Close();
    bool CloseQuery();

    // Shows the form with every other window of the program disabled and
    // handles messages until the modal result is set and OnCloseQuery allows
    // closing; then hides it and returns the result. The result is cleared
    // each time closing is refused.
    int ShowModal();
    bool Modal() const { return modal_; }
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int result) { modalResult_ = result; }

    WindowState GetWindowState() const { return windowState_; }
    const FormSettings& Settings() const { return settings_; }
    // The control or component of this form with the given name.
    Control* FindControl(const std::string& name) const;

    // Owned controls and components live as long as the form.
    template <class T, class... Args>
    T& Own(Args&&... args)
    {
        auto object = std::make_unique<T>(std::forward<Args>(args)...);
        T& ref = *object;
        owned_.push_back(std::move(object));
        return ref;
    }

    NotifyEvent OnCreate;
    NotifyEvent OnShow;
    std::function<void(Object* sender, bool& canClose)> OnCloseQuery;

    // The handler of a private message that carries no parameters.
    void OnMessage(UINT message, std::function<void()> handler);

protected:
    // Called by Create: builds the form, normally with Build(*this, layout).
    virtual void CreateComponents() = 0;

    template <class FormT>
    void Build(FormT& self, const Layout<FormT>& layout)
    {
        ApplySettings(layout.form);
        for (const auto& entry : layout.controls) {
            WinControl* parent = this;
            if (entry.row.parent) parent = dynamic_cast<WinControl*>(FindControl(entry.row.parent));
            if (!parent) throw Exception(std::string("No parent control for ") + entry.row.name);
            Control& control = entry.create(self, *parent);
            control.SetName(entry.row.name);
            control.SetBounds(entry.row.bounds);
            control.SetCaption(entry.row.caption);
            control.Configure(entry.row.settings);
            if (entry.row.onClick) control.OnClick = [&self, method = entry.row.onClick](Object* sender) {
                (self.*method)(sender);
            };
            if (entry.row.onChange) control.OnChange = [&self, method = entry.row.onChange](Object* sender) {
                (self.*method)(sender);
            };
            if (auto* windowed = dynamic_cast<WinControl*>(&control)) windowed->CreateHandle();
        }
        FinishBuild();
    }

    void FillCreateParams(CreateParams& params) override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void RaiseGuarded(const NotifyEvent& event);
    void ApplySettings(const FormSettings& settings);
    void FinishBuild();
    void AlignAll(WinControl& container);
    const Control* DefaultButton() const;

    std::string className_;
    FormSettings settings_;
    WindowState windowState_ = WindowState::Normal;
    std::vector<std::unique_ptr<Object>> owned_;
    std::map<UINT, std::function<void()>> messageHandlers_;
    HWND lastFocus_ = nullptr;
    bool modal_ = false;
    int modalResult_ = mrNone;
};

// The form a control stands on, or nullptr.
Form* ParentForm(Control* control);

} // namespace classlib
