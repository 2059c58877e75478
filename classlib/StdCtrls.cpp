#include "classlib/StdCtrls.h"

#include "classlib/Forms.h"

#include <commctrl.h>

namespace classlib {

// --- Label ---

void Label::Configure(const ControlSettings& settings)
{
    GraphicControl::Configure(settings);
    autoSize_ = settings.autoSize;
    transparent_ = settings.transparent;
    wordWrap_ = settings.wordWrap;
    alignment_ = settings.alignment;
    AdjustSize();
}

UINT Label::DrawFormat() const
{
    UINT format = DT_EXPANDTABS;
    if (wordWrap_) format |= DT_WORDBREAK;
    if (alignment_ == Alignment::RightJustify) format |= DT_RIGHT;
    if (alignment_ == Alignment::Center) format |= DT_CENTER;
    return format;
}

SIZE Label::MeasureCaption() const
{
    // An empty caption still measures one line, as a blank does.
    const std::string text = Caption().empty() ? std::string(" ") : Caption();
    HDC dc = GetDC(nullptr);
    RECT rect{0, 0, wordWrap_ ? GetBounds().width : 0, 0};
    {
        SelectScope selected(dc, GetFont().Handle());
        DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rect, DrawFormat() | DT_CALCRECT);
    }
    ReleaseDC(nullptr, dc);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

void Label::AdjustSize()
{
    if (!autoSize_) return;
    const SIZE size = MeasureCaption();
    Bounds b = GetBounds();
    const bool keepWidth = GetAlign() == Align::Top || GetAlign() == Align::Bottom || GetAlign() == Align::Client;
    if (!keepWidth) {
        if (alignment_ == Alignment::RightJustify) b.left += b.width - size.cx;
        if (alignment_ == Alignment::Center) b.left += (b.width - size.cx) / 2;
        b.width = size.cx;
    }
    b.height = size.cy;
    SetBounds(b);
    if (GetAlign() != Align::None && Parent()) Parent()->AlignControls();
}

void Label::CaptionChanged()
{
    AdjustSize();
    Invalidate();
}

void Label::FontChanged()
{
    AdjustSize();
    Invalidate();
}

void Label::Paint(Canvas& canvas)
{
    RECT rect{0, 0, GetBounds().width, GetBounds().height};
    if (!transparent_) canvas.FillRect(rect, Color());
    canvas.DrawText(Caption(), rect, DrawFormat(), GetFont());
}

// --- Button ---

void Button::Configure(const ControlSettings& settings)
{
    WinControl::Configure(settings);
    default_ = settings.defaultButton;
    modalResult_ = settings.modalResult;
}

void Button::Click()
{
    if (modalResult_ != mrNone)
        if (Form* form = ParentForm(this)) form->SetModalResult(modalResult_);
    WinControl::Click();
}

void Button::FillCreateParams(CreateParams& params)
{
    WinControl::FillCreateParams(params);
    params.className = "BUTTON";
    params.systemClass = true;
    params.style |= WS_TABSTOP | (default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
}

void Button::Command(WORD code)
{
    if (code == BN_CLICKED) Click();
}

// --- Edit ---

namespace {

std::string WindowText(HWND hwnd)
{
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(hwnd)) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

} // namespace

void Edit::FillCreateParams(CreateParams& params)
{
    WinControl::FillCreateParams(params);
    params.className = "EDIT";
    params.systemClass = true;
    params.style |= WS_TABSTOP | ES_AUTOHSCROLL;
    params.exStyle |= WS_EX_CLIENTEDGE;
}

std::string Edit::Text() const
{
    return HandleAllocated() ? WindowText(Handle()) : Caption();
}

void Edit::SetText(const std::string& text)
{
    // The user's typing leaves the caption behind, so the window is told directly.
    if (HandleAllocated())
        SetWindowTextA(Handle(), text.c_str());
    else
        SetCaption(text);
}

void Edit::SelectAll()
{
    if (HandleAllocated()) SendMessageA(Handle(), EM_SETSEL, 0, -1);
}

// --- GroupBox ---

void GroupBox::FillCreateParams(CreateParams& params)
{
    WinControl::FillCreateParams(params);
    params.className = "TGroupBox";
    params.style |= WS_CLIPCHILDREN;
    params.exStyle |= WS_EX_CONTROLPARENT;
}

void GroupBox::Paint(Canvas& canvas)
{
    const int textHeight = canvas.TextExtent("0", GetFont()).cy;
    RECT frame = ClientRect();
    frame.top = textHeight / 2 - 1;
    DrawEdge(canvas.Handle(), &frame, EDGE_ETCHED, BF_RECT);
    if (Caption().empty()) return;
    RECT text{8, 0, 0, textHeight};
    const SIZE extent = canvas.TextExtent(Caption(), GetFont());
    text.right = text.left + extent.cx;
    canvas.FillRect(text, Color());
    canvas.DrawText(Caption(), text, DT_LEFT | DT_SINGLELINE, GetFont());
}

// --- Memo ---

void Memo::Configure(const ControlSettings& settings)
{
    WinControl::Configure(settings);
    readOnly_ = settings.readOnly;
    wordWrap_ = settings.wordWrap;
    scrollBars_ = settings.scrollBars;
}

void Memo::FillCreateParams(CreateParams& params)
{
    WinControl::FillCreateParams(params);
    params.className = "EDIT";
    params.systemClass = true;
    params.style |= WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_NOHIDESEL;
    if (readOnly_) params.style |= ES_READONLY;
    if (!wordWrap_) params.style |= ES_AUTOHSCROLL;
    if (scrollBars_ == ScrollBars::Vertical || scrollBars_ == ScrollBars::Both) params.style |= WS_VSCROLL;
    if (scrollBars_ == ScrollBars::Horizontal || scrollBars_ == ScrollBars::Both) params.style |= WS_HSCROLL;
    params.exStyle |= WS_EX_CLIENTEDGE;
}

std::string Memo::Text() const
{
    return HandleAllocated() ? WindowText(Handle()) : Caption();
}

HBRUSH Memo::ControlColor(HDC dc)
{
    if (!brush_.Get()) brush_.Reset(CreateSolidBrush(ColorToRGB(Color())));
    SetBkColor(dc, ColorToRGB(Color()));
    SetTextColor(dc, ColorToRGB(GetFont().Color()));
    return brush_.Get();
}

void Memo::ColorChanged()
{
    brush_.Reset();
    WinControl::ColorChanged();
}

// --- Panel ---

namespace {

// `width` one-pixel rings inside `rect`, which shrinks by them. The client area
// is already in the panel colour, so a space bevel draws nothing.
void DrawBevel(HDC dc, RECT& rect, Bevel bevel, int width)
{
    if (bevel == Bevel::None) return;
    for (int i = 0; i < width; ++i) {
        if (bevel != Bevel::Space)
            DrawEdge(dc, &rect, bevel == Bevel::Raised ? BDR_RAISEDINNER : BDR_SUNKENOUTER, BF_RECT);
        InflateRect(&rect, -1, -1);
    }
}

} // namespace

Panel::Panel(WinControl* parent) : CustomControl(parent)
{
    StoreBounds({0, 0, 185, 41});
}

void Panel::Configure(const ControlSettings& settings)
{
    WinControl::Configure(settings);
    bevelOuter_ = settings.bevelOuter;
}

void Panel::SetBevelOuter(Bevel value)
{
    bevelOuter_ = value;
    Invalidate();
}

void Panel::SetBevelInner(Bevel value)
{
    bevelInner_ = value;
    Invalidate();
}

void Panel::SetBevelWidth(int value)
{
    bevelWidth_ = value;
    Invalidate();
}

void Panel::SetBorderWidth(int value)
{
    borderWidth_ = value;
    Invalidate();
}

void Panel::SetAlignment(Alignment value)
{
    alignment_ = value;
    Invalidate();
}

void Panel::FillCreateParams(CreateParams& params)
{
    WinControl::FillCreateParams(params);
    params.className = "TPanel";
    params.style |= WS_CLIPCHILDREN;
    params.exStyle |= WS_EX_CONTROLPARENT;
}

void Panel::Paint(Canvas& canvas)
{
    RECT rect = ClientRect();
    DrawBevel(canvas.Handle(), rect, bevelOuter_, bevelWidth_);
    InflateRect(&rect, -borderWidth_, -borderWidth_);
    DrawBevel(canvas.Handle(), rect, bevelInner_, bevelWidth_);
    const UINT horizontal = alignment_ == Alignment::LeftJustify    ? DT_LEFT
                            : alignment_ == Alignment::RightJustify ? DT_RIGHT
                                                                    : DT_CENTER;
    canvas.DrawText(Caption(), rect, DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS | horizontal, GetFont());
}

// --- StatusBar ---

void StatusBar::Configure(const ControlSettings& settings)
{
    WinControl::Configure(settings);
    panelWidths_ = settings.panelWidths;
    sizeGrip_ = settings.sizeGrip;
}

void StatusBar::FillCreateParams(CreateParams& params)
{
    WinControl::FillCreateParams(params);
    params.className = STATUSCLASSNAMEA;
    params.systemClass = true;
    // The parent places the bar (it is aligned like any control).
    params.style |= CCS_NOPARENTALIGN | CCS_NORESIZE;
    if (sizeGrip_) params.style |= SBARS_SIZEGRIP;
}

void StatusBar::HandleCreated()
{
    if (panelWidths_.empty()) return;
    std::vector<int> edges;
    int right = 0;
    for (int width : panelWidths_) edges.push_back(right += width);
    edges.back() = -1;  // the last panel reaches the right end of the bar
    SendMessageA(Handle(), SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
}

void StatusBar::SetPanelText(int index, const std::string& text)
{
    SendMessageA(Handle(), SB_SETTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str()));
}

std::string StatusBar::PanelText(int index) const
{
    const LRESULT info = SendMessageA(Handle(), SB_GETTEXTLENGTHA, static_cast<WPARAM>(index), 0);
    std::string text(static_cast<std::size_t>(LOWORD(info)) + 1, '\0');
    SendMessageA(Handle(), SB_GETTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(LOWORD(info));
    return text;
}

// --- Image ---

Image::~Image()
{
    if (icon_) DestroyIcon(icon_);
}

void Image::Configure(const ControlSettings& settings)
{
    GraphicControl::Configure(settings);
    if (settings.picture == 0) return;
    icon_ = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(settings.picture), IMAGE_ICON,
                                          GetBounds().width, GetBounds().height, LR_DEFAULTCOLOR));
}

void Image::Paint(Canvas& canvas)
{
    if (icon_)
        DrawIconEx(canvas.Handle(), 0, 0, icon_, GetBounds().width, GetBounds().height, 0, nullptr, DI_NORMAL);
}

} // namespace classlib
