#include "classlib/Controls.h"

#include "classlib/Application.h"
#include "classlib/Dialogs.h"

#include <algorithm>
#include <set>

namespace classlib {

namespace {

// The property under which a window of the library names its control.
constexpr const char* kControlProperty = "classlib.Control";

// Child window ids start above IDOK and IDCANCEL, so that the Enter and Escape
// keys never reach a control by accident.
int NextControlId()
{
    static int next = 100;
    return next++;
}

} // namespace

// --- Control ---

Control::Control(WinControl* parent) : parent_(parent)
{
    if (parent_) {
        font_.Assign(parent_->GetFont().Desc());
        color_ = parent_->Color();
        parent_->InsertControl(this);
    }
}

Control::~Control()
{
    if (parent_) parent_->RemoveControl(this);
}

void Control::SetParent(WinControl* parent)
{
    if (parent == parent_) return;
    Invalidate();
    if (parent_) parent_->RemoveControl(this);
    parent_ = parent;
    if (parent_) parent_->InsertControl(this);
    ParentFontChanged();
    ParentColorChanged();
    Invalidate();
}

void Control::SetBounds(const Bounds& bounds)
{
    if (bounds == bounds_) return;
    Invalidate();
    bounds_ = bounds;
    Invalidate();
}

void Control::SetCaption(std::string caption)
{
    if (caption == caption_) return;
    caption_ = std::move(caption);
    CaptionChanged();
}

void Control::SetFont(const FontDesc& desc)
{
    parentFont_ = false;
    font_.Assign(desc);
    FontChanged();
}

void Control::ParentFontChanged()
{
    if (!parentFont_ || !parent_) return;
    font_.Assign(parent_->GetFont().Desc());
    FontChanged();
}

void Control::SetColor(TColor color)
{
    parentColor_ = false;
    color_ = color;
    ColorChanged();
}

void Control::ParentColorChanged()
{
    if (!parentColor_ || !parent_) return;
    color_ = parent_->Color();
    ColorChanged();
}

void Control::SetVisible(bool visible)
{
    if (visible == visible_) return;
    visible_ = visible;
    Invalidate();
    if (parent_ && align_ != Align::None) parent_->AlignControls();
}

void Control::SetAlign(Align align)
{
    align_ = align;
    if (parent_ && align_ != Align::None) parent_->AlignControls();
}

void Control::Configure(const ControlSettings& settings)
{
    if (settings.font) SetFont(*settings.font);
    if (settings.color) SetColor(*settings.color);
    align_ = settings.align;
}

void Control::Invalidate() {}
void Control::Update() {}

void Control::Click()
{
    Raise(OnClick, this);
}

// --- GraphicControl ---

void GraphicControl::Invalidate()
{
    if (!Parent() || !Parent()->HandleAllocated()) return;
    const RECT rect = GetBounds().Rect();
    InvalidateRect(Parent()->Handle(), &rect, FALSE);
}

void GraphicControl::Update()
{
    if (Parent()) Parent()->Update();
}

// --- WinControl ---

WinControl::WinControl(WinControl* parent) : Control(parent), id_(NextControlId()) {}

WinControl::~WinControl()
{
    if (handle_) {
        HWND handle = handle_;
        RemovePropA(handle, kControlProperty);
        handle_ = nullptr;
        DestroyWindow(handle);
    }
}

WinControl* WinControl::FromHandle(HWND handle)
{
    return handle ? static_cast<WinControl*>(GetPropA(handle, kControlProperty)) : nullptr;
}

void WinControl::Attach(HWND handle)
{
    handle_ = handle;
    SetPropA(handle, kControlProperty, this);
}

void WinControl::FillCreateParams(CreateParams& params)
{
    params.caption = Caption();
    params.bounds = GetBounds();
    if (Visible()) params.style |= WS_VISIBLE;
}

void WinControl::RegisterOwnClass(const std::string& className)
{
    static std::set<std::string> registered;
    if (registered.count(className)) return;
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = StdWndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.lpszClassName = className.c_str();
    if (!RegisterClassA(&wc)) throw Exception("Cannot register the window class " + className);
    registered.insert(className);
}

void WinControl::CreateHandle()
{
    if (handle_) return;
    CreateParams params;
    FillCreateParams(params);
    if (!params.systemClass) RegisterOwnClass(params.className);
    HWND parentHandle = Parent() ? Parent()->Handle() : nullptr;
    const bool child = (params.style & WS_CHILD) != 0;
    HWND handle = CreateWindowExA(
        params.exStyle, params.className.c_str(), params.caption.c_str(), params.style,
        params.bounds.left, params.bounds.top, params.bounds.width, params.bounds.height,
        parentHandle, child ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(id_)) : nullptr,
        GetModuleHandleA(nullptr), this);
    if (!handle) {
        // The system's reason and the class say which window failed and why.
        const DWORD error = GetLastError();
        throw Exception("Cannot create the window " + Name() + " of class " + params.className + ": " +
                        (error ? SysErrorMessage(error) : "the window refused its creation"));
    }
    if (params.systemClass) Attach(handle);
    FontChanged();
    HandleCreated();
}

LRESULT CALLBACK WinControl::StdWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    WinControl* self = nullptr;
    if (message == WM_NCCREATE) {
        self = static_cast<WinControl*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        if (self) self->Attach(hwnd);
    } else {
        self = FromHandle(hwnd);
    }
    if (!self) return DefWindowProcA(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        RemovePropA(hwnd, kControlProperty);
        self->handle_ = nullptr;
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    // No C++ exception may unwind through the system's frames: it ends here
    // and goes to the application, which decides what becomes of it.
    try {
        return self->WndProc(message, wParam, lParam);
    } catch (const std::exception& e) {
        App().HandleException(self, e);
    } catch (...) {
        App().HandleException(self, Exception("Unknown exception"));
    }
    return 0;
}

LRESULT WinControl::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(handle_, message, wParam, lParam);
}

LRESULT WinControl::WndProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(handle_, &ps);
        Canvas canvas(dc);
        PaintWindow(canvas);
        EndPaint(handle_, &ps);
        return 0;
    }
    case WM_PRINTCLIENT: {
        // Painting into a given device context, such as a test's memory bitmap.
        Canvas canvas(reinterpret_cast<HDC>(wParam));
        PaintWindow(canvas);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;  // the whole background is drawn by WM_PAINT, without flicker
    case WM_SIZE: {
        // Only the size: the place changes with WM_MOVE, which may come later.
        Bounds bounds = GetBounds();
        const Bounds now = WindowBounds();
        bounds.width = now.width;
        bounds.height = now.height;
        StoreBounds(bounds);
        Resized();
        return 0;
    }
    case WM_MOVE:
        Moved();
        return 0;
    case WM_NCHITTEST:
        // Two signed 16-bit screen coordinates: left of or above the primary screen they are negative.
        return HitTest({static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
    case WM_COMMAND: {
        WinControl* child = FromHandle(reinterpret_cast<HWND>(lParam));
        if (!child) child = FindById(LOWORD(wParam));
        if (child && child != this) child->Command(HIWORD(wParam));
        return 0;
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX: {
        WinControl* child = FromHandle(reinterpret_cast<HWND>(lParam));
        if (child && child != this)
            if (HBRUSH brush = child->ControlColor(reinterpret_cast<HDC>(wParam)))
                return reinterpret_cast<LRESULT>(brush);
        return DefaultProc(message, wParam, lParam);
    }
    default:
        return DefaultProc(message, wParam, lParam);
    }
}

LRESULT WinControl::HitTest(POINT screenPoint)
{
    return DefaultProc(WM_NCHITTEST, 0, MAKELPARAM(screenPoint.x, screenPoint.y));
}

Bounds WinControl::WindowBounds() const
{
    RECT rect;
    GetWindowRect(handle_, &rect);
    if (GetWindowLongPtrA(handle_, GWL_STYLE) & WS_CHILD)
        MapWindowPoints(nullptr, GetParent(handle_), reinterpret_cast<POINT*>(&rect), 2);
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

void WinControl::Moved()
{
    StoreBounds(WindowBounds());
}

void WinControl::PaintWindow(Canvas& canvas)
{
    canvas.FillRect(ClientRect(), Color());
    Paint(canvas);
    HDC dc = canvas.Handle();
    for (Control* control : controls_) {
        auto* graphic = dynamic_cast<GraphicControl*>(control);
        if (!graphic || !graphic->Visible()) continue;
        const RECT rect = graphic->GetBounds().Rect();
        if (!RectVisible(dc, &rect)) continue;
        const int saved = SaveDC(dc);
        IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
        OffsetViewportOrgEx(dc, rect.left, rect.top, nullptr);
        graphic->Paint(canvas);
        RestoreDC(dc, saved);
    }
}

void WinControl::InsertControl(Control* control)
{
    controls_.push_back(control);
}

void WinControl::RemoveControl(Control* control)
{
    controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
}

WinControl* WinControl::FindById(int id)
{
    for (Control* control : controls_) {
        auto* windowed = dynamic_cast<WinControl*>(control);
        if (!windowed) continue;
        if (windowed->id_ == id) return windowed;
        if (WinControl* found = windowed->FindById(id)) return found;
    }
    return nullptr;
}

void WinControl::ArrangeTabOrder()
{
    std::vector<WinControl*> windowed;
    for (Control* control : controls_)
        if (auto* w = dynamic_cast<WinControl*>(control); w && w->HandleAllocated()) windowed.push_back(w);
    std::stable_sort(windowed.begin(), windowed.end(), [](const WinControl* a, const WinControl* b) {
        const unsigned ta = static_cast<unsigned>(a->tabOrder_), tb = static_cast<unsigned>(b->tabOrder_);
        return ta < tb;  // -1 sorts last
    });
    HWND after = HWND_TOP;
    for (WinControl* w : windowed) {
        SetWindowPos(w->handle_, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        after = w->handle_;
        w->ArrangeTabOrder();
    }
}

RECT WinControl::ClientRect() const
{
    RECT rect{0, 0, GetBounds().width, GetBounds().height};
    if (handle_) GetClientRect(handle_, &rect);
    return rect;
}

void WinControl::AlignControls()
{
    RECT r = ClientRect();
    for (Align pass : {Align::Top, Align::Bottom, Align::Left, Align::Right, Align::Client}) {
        for (Control* control : controls_) {
            if (!control->Visible() || control->GetAlign() != pass) continue;
            Bounds b = control->GetBounds();
            switch (pass) {
            case Align::Top:
                b = {r.left, r.top, r.right - r.left, b.height};
                r.top += b.height;
                break;
            case Align::Bottom:
                r.bottom -= b.height;
                b = {r.left, r.bottom, r.right - r.left, b.height};
                break;
            case Align::Left:
                b = {r.left, r.top, b.width, r.bottom - r.top};
                r.left += b.width;
                break;
            case Align::Right:
                r.right -= b.width;
                b = {r.right, r.top, b.width, r.bottom - r.top};
                break;
            default:
                b = {r.left, r.top, r.right - r.left, r.bottom - r.top};
                break;
            }
            control->SetBounds(b);
        }
    }
}

void WinControl::SetParent(WinControl* parent)
{
    Control::SetParent(parent);
    if (handle_ && parent && parent->HandleAllocated()) ::SetParent(handle_, parent->Handle());
}

void WinControl::SetBounds(const Bounds& bounds)
{
    if (bounds == GetBounds()) return;
    Control::SetBounds(bounds);
    if (handle_) MoveWindow(handle_, bounds.left, bounds.top, bounds.width, bounds.height, TRUE);
}

void WinControl::SetVisible(bool visible)
{
    Control::SetVisible(visible);
    if (handle_) ShowWindow(handle_, visible ? SW_SHOW : SW_HIDE);
}

void WinControl::Configure(const ControlSettings& settings)
{
    Control::Configure(settings);
    tabOrder_ = settings.tabOrder;
}

void WinControl::Invalidate()
{
    if (handle_) InvalidateRect(handle_, nullptr, TRUE);
}

void WinControl::Update()
{
    // The children too: a form's update also repaints the panels on it.
    if (handle_) RedrawWindow(handle_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void WinControl::SetFocus()
{
    if (handle_) ::SetFocus(handle_);
}

void WinControl::CaptionChanged()
{
    if (handle_) SetWindowTextA(handle_, Caption().c_str());
}

void WinControl::FontChanged()
{
    if (handle_) SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(GetFont().Handle()), TRUE);
    for (Control* control : controls_) control->ParentFontChanged();
    Invalidate();
}

void WinControl::ColorChanged()
{
    for (Control* control : controls_) control->ParentColorChanged();
    Invalidate();
}

} // namespace classlib
