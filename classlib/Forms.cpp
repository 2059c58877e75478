#include "classlib/Forms.h"

#include "classlib/Application.h"
#include "classlib/ScopeExit.h"
#include "classlib/StdCtrls.h"

namespace classlib {

namespace {

struct EnabledWindows {
    HWND except;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectEnabledWindow(HWND hwnd, LPARAM param)
{
    auto& found = *reinterpret_cast<EnabledWindows*>(param);
    if (hwnd != found.except && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) found.windows.push_back(hwnd);
    return TRUE;
}

// Disables the visible, enabled top-level windows of this thread but `except`
// and returns them, so that they can be enabled again.
std::vector<HWND> DisableThreadWindows(HWND except)
{
    EnabledWindows found{except, {}};
    EnumThreadWindows(GetCurrentThreadId(), CollectEnabledWindow, reinterpret_cast<LPARAM>(&found));
    for (HWND hwnd : found.windows) EnableWindow(hwnd, FALSE);
    return found.windows;
}

} // namespace

Form* ParentForm(Control* control)
{
    while (control && control->Parent()) control = control->Parent();
    return dynamic_cast<Form*>(control);
}

Form::Form(std::string className) : WinControl(nullptr), className_(std::move(className))
{
    Control::SetVisible(false);
}

Form::~Form()
{
    // Children before the controls that hold them.
    while (!owned_.empty()) owned_.pop_back();
}

void Form::Create()
{
    CreateComponents();
    RaiseGuarded(OnCreate);
    if (settings_.visible) Show();
}

void Form::RaiseGuarded(const NotifyEvent& event)
{
    // These events also run outside any window procedure (the program start
    // creates and shows forms): an exception from them goes the same way.
    try {
        Raise(event, this);
    } catch (const std::exception& e) {
        App().HandleException(this, e);
    }
}

void Form::ApplySettings(const FormSettings& settings)
{
    settings_ = settings;
    windowState_ = settings.windowState;
    SetCaption(settings.caption);
    SetColor(settings.color);
    SetFont(settings.font);
    CreateHandle();
    HINSTANCE instance = GetModuleHandleA(nullptr);
    const int iconId = settings.icon ? settings.icon : 1;
    if (HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(iconId)))
        SendMessageA(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
}

void Form::FillCreateParams(CreateParams& params)
{
    params.className = className_;
    params.systemClass = false;
    params.caption = settings_.caption;
    params.style = WS_CLIPCHILDREN;
    params.exStyle = WS_EX_CONTROLPARENT;
    switch (settings_.borderStyle) {
    case BorderStyle::None: params.style |= WS_POPUP; break;
    case BorderStyle::Single: params.style |= WS_CAPTION; break;
    case BorderStyle::Sizeable: params.style |= WS_CAPTION | WS_THICKFRAME; break;
    case BorderStyle::Dialog:
        params.style |= WS_CAPTION | WS_DLGFRAME;
        params.exStyle |= WS_EX_DLGMODALFRAME;
        break;
    }
    // Without a system menu Windows shows no buttons in the title bar.
    if (settings_.borderIcons.systemMenu) params.style |= WS_SYSMENU;
    if (settings_.borderStyle != BorderStyle::Dialog) {
        if (settings_.borderIcons.minimize) params.style |= WS_MINIMIZEBOX;
        if (settings_.borderIcons.maximize) params.style |= WS_MAXIMIZEBOX;
    }
    if (settings_.formStyle == FormStyle::StayOnTop) params.exStyle |= WS_EX_TOPMOST;

    RECT frame{0, 0, settings_.clientWidth, settings_.clientHeight};
    AdjustWindowRectEx(&frame, params.style, FALSE, params.exStyle);
    Bounds bounds{settings_.left, settings_.top, frame.right - frame.left, frame.bottom - frame.top};
    if (settings_.position == Position::ScreenCenter) {
        bounds.left = (GetSystemMetrics(SM_CXSCREEN) - bounds.width) / 2;
        bounds.top = (GetSystemMetrics(SM_CYSCREEN) - bounds.height) / 2;
    }
    StoreBounds(bounds);
    params.bounds = bounds;
}

void Form::FinishBuild()
{
    AlignAll(*this);
    ArrangeTabOrder();
}

void Form::AlignAll(WinControl& container)
{
    container.AlignControls();
    for (Control* control : container.Controls())
        if (auto* windowed = dynamic_cast<WinControl*>(control)) AlignAll(*windowed);
}

Control* Form::FindControl(const std::string& name) const
{
    for (const auto& object : owned_)
        if (auto* control = dynamic_cast<Control*>(object.get()); control && control->Name() == name) return control;
    return nullptr;
}

const Control* Form::DefaultButton() const
{
    for (const auto& object : owned_)
        if (auto* button = dynamic_cast<const Button*>(object.get()); button && button->Default()) return button;
    return nullptr;
}

void Form::SetVisible(bool visible)
{
    Control::SetVisible(visible);
    if (!HandleAllocated()) return;
    if (!visible) {
        ShowWindow(Handle(), SW_HIDE);
        return;
    }
    if (IsWindowVisible(Handle())) return;
    // Raised by the library itself rather than on WM_SHOWWINDOW, which Wine
    // does not send when a hidden window is shown maximised.
    RaiseGuarded(OnShow);
    int command = SW_SHOWNORMAL;
    if (windowState_ == WindowState::Maximized) command = SW_SHOWMAXIMIZED;
    if (windowState_ == WindowState::Minimized) command = SW_SHOWMINIMIZED;
    ShowWindow(Handle(), command);
}

void Form::Show()
{
    SetVisible(true);
    BringToFront();
}

void Form::Hide()
{
    SetVisible(false);
}

void Form::BringToFront()
{
    if (HandleAllocated()) SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

bool Form::CloseQuery()
{
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(this, canClose);
    return canClose;
}

void Form::Close()
{
    if (modal_) {
        modalResult_ = mrCancel;
        return;
    }
    if (!CloseQuery()) return;
    if (App().MainForm() == this)
        App().Terminate();
    else
        Hide();
}

int Form::ShowModal()
{
    if (modal_ || (HandleAllocated() && IsWindowVisible(Handle())))
        throw Exception("Cannot show the visible window " + Name() + " modally");
    CreateHandle();
    HWND previous = GetActiveWindow();
    // Over a window that stays on top the form would open hidden behind it.
    const bool overTopmost = previous && (GetWindowLongPtrA(previous, GWL_EXSTYLE) & WS_EX_TOPMOST);
    modalResult_ = mrNone;
    modal_ = true;
    const std::vector<HWND> disabled = DisableThreadWindows(Handle());
    AtScopeExit restore([&] {
        // Enabled before the form hides, so that the system can activate them again.
        for (HWND hwnd : disabled)
            if (IsWindow(hwnd)) EnableWindow(hwnd, TRUE);
        Hide();
        if (overTopmost && settings_.formStyle != FormStyle::StayOnTop)
            SetWindowPos(Handle(), HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        if (previous && IsWindow(previous)) SetActiveWindow(previous);
        modal_ = false;
    });
    if (overTopmost) SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Show();
    for (;;) {
        App().ProcessMessages();
        if (modalResult_ != mrNone) {
            if (CloseQuery()) break;
            modalResult_ = mrNone;
        }
        if (App().Terminated()) {
            modalResult_ = mrCancel;
            break;
        }
        WaitMessage();
    }
    return modalResult_;
}

void Form::OnMessage(UINT message, std::function<void()> handler)
{
    messageHandlers_[message] = std::move(handler);
}

LRESULT Form::WndProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (auto handler = messageHandlers_.find(message); handler != messageHandlers_.end()) {
        handler->second();
        return 0;
    }
    switch (message) {
    case WM_CLOSE:
        Close();
        return 0;
    case WM_SIZE: {
        if (wParam == SIZE_MAXIMIZED) windowState_ = WindowState::Maximized;
        if (wParam == SIZE_MINIMIZED) windowState_ = WindowState::Minimized;
        if (wParam == SIZE_RESTORED) windowState_ = WindowState::Normal;
        RECT rect;
        GetWindowRect(Handle(), &rect);
        StoreBounds({rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top});
        return WinControl::WndProc(message, wParam, lParam);
    }
    case WM_ACTIVATE:
        // Keep the keyboard focus on the control that had it.
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus && IsChild(Handle(), focus)) lastFocus_ = focus;
        } else {
            HWND target = lastFocus_ && IsWindow(lastFocus_) ? lastFocus_ : GetNextDlgTabItem(Handle(), nullptr, FALSE);
            if (target) ::SetFocus(target);
        }
        return 0;
    case DM_GETDEFID:
        if (const Control* button = DefaultButton())
            return MAKELRESULT(static_cast<const WinControl*>(button)->ControlId(), DC_HASDEFID);
        return 0;
    default:
        return WinControl::WndProc(message, wParam, lParam);
    }
}

} // namespace classlib
