// Helpers of the in-process Windows tests.
#pragma once

#include "classlib/Application.h"
#include "classlib/Graphics.h"

#include <windows.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

namespace wintest {

// Lets the windows handle what is queued for them, for about `ms` milliseconds.
inline void FlushEvents(DWORD ms = 100)
{
    const DWORD start = GetTickCount();
    do {
        classlib::App().ProcessMessages();
        Sleep(10);
    } while (GetTickCount() - start < ms);
}

// A child window's place in its parent's client area.
inline RECT RectInParent(HWND child)
{
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

inline std::string ClassOf(HWND hwnd)
{
    char name[128] = {};
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

inline std::string TextOf(HWND hwnd)
{
    char text[1024] = {};
    GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

// The one form of a test program, created on first use with the application.
template <class FormT>
FormT* HostForm()
{
    static FormT* host = [] {
        classlib::App().Initialize();
        FormT* form = nullptr;
        classlib::App().CreateForm(form);
        FlushEvents();
        return form;
    }();
    return host;
}

// A colour reference as the failure messages show it.
inline std::string Hex(COLORREF color)
{
    std::ostringstream out;
    out << "0x" << std::hex << color;
    return out.str();
}

// A rectangle by its edges: "(l, t)-(r, b)".
inline std::string DescribeEdges(const RECT& r)
{
    std::ostringstream out;
    out << "(" << r.left << ", " << r.top << ")-(" << r.right << ", " << r.bottom << ")";
    return out.str();
}

// A rectangle by its place and size: "(l, t) w x h".
inline std::string DescribeSize(const RECT& r)
{
    std::ostringstream out;
    out << "(" << r.left << ", " << r.top << ") " << r.right - r.left << " x " << r.bottom - r.top;
    return out.str();
}

// The controls of a window in the order the Tab key visits them.
inline std::vector<HWND> TabOrder(HWND window, std::size_t most = 16)
{
    std::vector<HWND> order;
    HWND first = GetNextDlgTabItem(window, nullptr, FALSE);
    for (HWND item = first; item && order.size() < most;) {
        order.push_back(item);
        item = GetNextDlgTabItem(window, item, FALSE);
        if (item == first) break;
    }
    return order;
}

// A 24-bit memory bitmap that a window paints its client area into.
class ClientPicture {
public:
    explicit ClientPicture(HWND hwnd)
    {
        GetClientRect(hwnd, &rect_);
        HDC screen = GetDC(nullptr);
        dc_ = CreateCompatibleDC(screen);
        bitmap_.Reset(CreateCompatibleBitmap(screen, rect_.right, rect_.bottom));
        ReleaseDC(nullptr, screen);
        previous_ = SelectObject(dc_, bitmap_.Get());
        SendMessageA(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc_), PRF_CLIENT);
    }
    ClientPicture(const ClientPicture&) = delete;
    ClientPicture& operator=(const ClientPicture&) = delete;
    ~ClientPicture()
    {
        SelectObject(dc_, previous_);
        DeleteDC(dc_);
    }

    int Width() const { return rect_.right; }
    int Height() const { return rect_.bottom; }
    COLORREF Pixel(int x, int y) const { return GetPixel(dc_, x, y); }

    // The smallest rectangle holding every pixel that differs from `background`;
    // empty (right <= left) when there is none.
    RECT InkBounds(COLORREF background) const
    {
        return BoundsWhere([background](COLORREF pixel) { return pixel != background; });
    }

    // The smallest rectangle holding every pixel of exactly `color`; empty when there is none.
    RECT BoundsOf(COLORREF color) const
    {
        return BoundsWhere([color](COLORREF pixel) { return pixel == color; });
    }

    // The memory device context holding the picture.
    HDC Handle() const { return dc_; }

private:
    template <class Predicate>
    RECT BoundsWhere(Predicate matches) const
    {
        RECT found{Width(), Height(), 0, 0};
        for (int y = 0; y < Height(); ++y)
            for (int x = 0; x < Width(); ++x)
                if (matches(Pixel(x, y))) {
                    found.left = std::min<LONG>(found.left, x);
                    found.top = std::min<LONG>(found.top, y);
                    found.right = std::max<LONG>(found.right, x + 1);
                    found.bottom = std::max<LONG>(found.bottom, y + 1);
                }
        return found;
    }

    RECT rect_{};
    HDC dc_ = nullptr;
    classlib::BitmapHandle bitmap_;
    HGDIOBJ previous_ = nullptr;
};

} // namespace wintest
