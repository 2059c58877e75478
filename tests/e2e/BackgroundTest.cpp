// The background window of the real setup.exe, as the screen shows it.
#include "robot/Robot.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

constexpr DWORD kTimeout = 15000;

struct RunningSetup {
    robot::Process process;
    HWND main = nullptr;
    HWND background = nullptr;
};

// Starts setup.exe, answers the welcome question and waits until the main
// window stands in front of the painted background.
std::optional<RunningSetup> StartToMainWindow()
{
    RunningSetup setup{robot::Process::Start(SETUP_EXE)};
    const auto welcome = robot::WaitForMessageBox(setup.process.Id(), kTimeout);
    if (!welcome || !robot::Answer(*welcome, IDYES)) return std::nullopt;
    const auto main = robot::WaitForWindow({.processId = setup.process.Id(), .className = "TMainForm"}, kTimeout);
    const auto background =
        robot::WaitForWindow({.processId = setup.process.Id(), .className = "TBackgroundForm"}, kTimeout);
    if (!main || !background) return std::nullopt;
    setup.main = main->hwnd;
    setup.background = background->hwnd;
    Sleep(500);  // both windows paint
    return setup;
}

// What the screen shows of a window's client area, read back from the screen.
class ScreenPicture {
public:
    explicit ScreenPicture(HWND hwnd)
    {
        GetClientRect(hwnd, &client_);
        POINT origin{0, 0};
        ClientToScreen(hwnd, &origin);
        width_ = client_.right;
        height_ = client_.bottom;
        HDC screen = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screen);
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width_, -height_, 1, 32, BI_RGB};
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width_, height_, screen, origin.x, origin.y, SRCCOPY);
        pixels_.assign(static_cast<const DWORD*>(bits), static_cast<const DWORD*>(bits) + width_ * height_);
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
    }

    int Width() const { return width_; }
    int Height() const { return height_; }
    // As a colour reference: 0x00BBGGRR.
    COLORREF At(int x, int y) const
    {
        const DWORD p = pixels_[static_cast<std::size_t>(y * width_ + x)];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    // The smallest rectangle holding every pixel of `colour` inside `area`.
    RECT BoxOf(COLORREF colour, RECT area) const
    {
        RECT box{area.right, area.bottom, area.left, area.top};
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                if (At(x, y) == colour) {
                    box.left = std::min<LONG>(box.left, x);
                    box.top = std::min<LONG>(box.top, y);
                    box.right = std::max<LONG>(box.right, x + 1);
                    box.bottom = std::max<LONG>(box.bottom, y + 1);
                }
        return box;
    }

private:
    RECT client_{};
    int width_ = 0, height_ = 0;
    std::vector<DWORD> pixels_;
};

std::string Hex(COLORREF c)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%06lX", static_cast<unsigned long>(c));
    return text;
}

} // namespace

TEST(BackgroundWindow, ShowsTheBlueGradientWithTheTitleInWhiteOverBlack)
{
    auto setup = StartToMainWindow();
    ASSERT_TRUE(setup) << "setup.exe did not reach its main window";
    const ScreenPicture picture(setup->background);
    const int w = picture.Width(), h = picture.Height();
    ASSERT_GT(h, 300);

    // The top band and the bottom band, away from the title, the notice of
    // rights, the frame and the main window in the middle.
    EXPECT_EQ(Hex(picture.At(w - 40, 2)), Hex(0xFF0000));
    EXPECT_EQ(Hex(picture.At(40, h - 3)), Hex(0x020000));

    // The title: white glyphs from (3, 3), a black copy two pixels right and
    // below; inside the frame, whose top and left lines are white too.
    const RECT corner{1, 1, w / 2, 40};
    const RECT white = picture.BoxOf(0xFFFFFF, corner);
    const RECT black = picture.BoxOf(0x000000, corner);
    ASSERT_LT(white.left, white.right) << "no white title in the top-left corner";
    ASSERT_LT(black.left, black.right) << "no black shadow in the top-left corner";
    EXPECT_GE(white.left, 3);
    EXPECT_GE(white.top, 3);
    EXPECT_LT(white.left, 12);
    EXPECT_LT(white.top, 12);
    EXPECT_EQ(black.left, white.left + 2);
    EXPECT_EQ(black.top, white.top + 2);
    EXPECT_EQ(black.right, white.right + 2);
    EXPECT_EQ(black.bottom, white.bottom + 2);

    setup->process.Kill();
}

TEST(BackgroundWindow, TheTitleBarCountsAsClientAreaAndTheButtonsStillWork)
{
    auto setup = StartToMainWindow();
    ASSERT_TRUE(setup);
    RECT window;
    GetWindowRect(setup->background, &window);
    POINT client{0, 0};
    ClientToScreen(setup->background, &client);
    const int titleY = (window.top + client.y) / 2;
    auto hitTest = [&](int x) {
        return SendMessageA(setup->background, WM_NCHITTEST, 0, MAKELPARAM(x, titleY));
    };
    EXPECT_EQ(hitTest((window.left + window.right) / 2), HTCLIENT);
    EXPECT_EQ(hitTest(client.x + GetSystemMetrics(SM_CXSIZE) / 2), HTSYSMENU);

    // A drag along the title bar leaves the window where it is.
    SetCursorPos((window.left + window.right) / 2, titleY);
    mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    for (int i = 1; i <= 10; ++i) {
        SetCursorPos((window.left + window.right) / 2 + 10 * i, titleY + 10 * i);
        Sleep(20);
    }
    mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
    Sleep(300);
    RECT after;
    GetWindowRect(setup->background, &after);
    EXPECT_TRUE(EqualRect(&window, &after)) << "the window moved";
    EXPECT_TRUE(IsZoomed(setup->background));
    setup->process.Kill();
}

TEST(BackgroundWindow, ClosingAsksAndNoKeepsBothWindowsYesEndsTheProgram)
{
    auto setup = StartToMainWindow();
    ASSERT_TRUE(setup);
    RECT mainBefore, backgroundBefore;
    GetWindowRect(setup->main, &mainBefore);
    GetWindowRect(setup->background, &backgroundBefore);

    PostMessageA(setup->background, WM_SYSCOMMAND, SC_CLOSE, 0);
    auto question = robot::WaitForMessageBox({.processId = setup->process.Id(), .caption = "Exit Setup"}, kTimeout);
    ASSERT_TRUE(question) << "no question";
    EXPECT_EQ(question->text, "Do you wish to cancel this installation?");
    EXPECT_EQ(question->icon, robot::BoxIcon::Question);
    ASSERT_TRUE(robot::Answer(*question, IDNO));
    Sleep(300);
    RECT mainAfter, backgroundAfter;
    GetWindowRect(setup->main, &mainAfter);
    GetWindowRect(setup->background, &backgroundAfter);
    EXPECT_TRUE(setup->process.IsRunning());
    EXPECT_TRUE(IsWindowVisible(setup->main) && IsWindowVisible(setup->background));
    EXPECT_TRUE(EqualRect(&mainBefore, &mainAfter) && EqualRect(&backgroundBefore, &backgroundAfter));

    PostMessageA(setup->background, WM_SYSCOMMAND, SC_CLOSE, 0);
    question = robot::WaitForMessageBox({.processId = setup->process.Id(), .caption = "Exit Setup"}, kTimeout);
    ASSERT_TRUE(question) << "no question the second time";
    ASSERT_TRUE(robot::Answer(*question, IDYES));
    EXPECT_EQ(setup->process.WaitForExit(kTimeout), std::optional<DWORD>(0));
}
