// The class library's application object, forms and controls under Wine.
// The application object is the process's own, so each test needs a process
// of its own, as ctest runs them.
#include "classlib/Application.h"
#include "classlib/Dialogs.h"
#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"
#include "robot/Robot.h"
#include "WinTestSupport.h"

#include <gtest/gtest.h>

using namespace classlib;
using wintest::FlushEvents;
using wintest::RectInParent;

namespace {

class TTestForm : public Form {
public:
    TTestForm() : Form("TTestForm") {}

    Button* Later = nullptr;   // created first, second in tab order
    Button* Sooner = nullptr;  // created second, first in tab order
    Panel* Footer = nullptr;
    Panel* Body = nullptr;
    int clicks = 0;

    void SoonerClick(Object*) { ++clicks; }
    void LaterClick(Object*) { throw Exception("Disk full"); }

protected:
    void CreateComponents() override
    {
        static const Layout<TTestForm> layout{
            .form = {.caption = "Test form", .clientWidth = 300, .clientHeight = 200, .visible = true},
            .controls = {
                Place(&TTestForm::Later, {.name = "Later",
                                          .bounds = {10, 10, 75, 23},
                                          .caption = "&Later",
                                          .settings = {.tabOrder = 1},
                                          .onClick = &TTestForm::LaterClick}),
                Place(&TTestForm::Sooner, {.name = "Sooner",
                                           .bounds = {10, 40, 75, 23},
                                           .caption = "&Sooner",
                                           .settings = {.tabOrder = 0},
                                           .onClick = &TTestForm::SoonerClick}),
                Place(&TTestForm::Footer, {.name = "Footer", .bounds = {0, 0, 50, 20}, .settings = {.align = Align::Bottom}}),
                Place(&TTestForm::Body, {.name = "Body", .bounds = {5, 5, 10, 10}, .settings = {.align = Align::Client}}),
            }};
        Build(*this, layout);
    }
};

TTestForm* CreateTestForm()
{
    App().Initialize();
    TTestForm* form = nullptr;
    App().CreateForm(form);
    FlushEvents();
    return form;
}

} // namespace

TEST(SysErrorMessage, LosesTheTrailingStopAndLineBreaks)
{
    struct Case {
        DWORD code;
        const char* text;
    };
    for (const Case& c : {Case{ERROR_FILE_NOT_FOUND, "File not found"}, Case{ERROR_ACCESS_DENIED, "Access denied"},
                          Case{ERROR_SERVICE_EXISTS, "Service exists"},
                          Case{ERROR_SERVICE_NOT_ACTIVE, "Service not active"}})
        EXPECT_EQ(SysErrorMessage(c.code), c.text) << "error " << c.code;
}

TEST(MessageBoxHelper, IsTaskModalWithoutOwner)
{
    TTestForm* form = CreateTestForm();
    auto seen = std::async(std::launch::async, [&] {
        auto box = robot::WaitForMessageBox(GetCurrentProcessId(), 10000);
        bool formDisabled = box && !IsWindowEnabled(form->Handle());
        bool ownerless = box && GetWindow(box->hwnd, GW_OWNER) == nullptr;
        if (box) robot::Answer(*box, IDNO);
        return std::make_tuple(box, formDisabled, ownerless);
    });
    const int answer = ShowMessageBox("Go on?", "Question", MB_YESNO | MB_ICONQUESTION);
    const auto [box, formDisabled, ownerless] = seen.get();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(answer, IDNO);
    EXPECT_EQ(box->caption, "Question");
    EXPECT_EQ(box->text, "Go on?");
    EXPECT_TRUE(formDisabled) << "the program's windows stay usable while the box is open";
    EXPECT_TRUE(ownerless);
    EXPECT_TRUE(IsWindowEnabled(form->Handle()));
}

TEST(ExceptionBoundary, WithoutHandlerTheMessageIsShown)
{
    TTestForm* form = CreateTestForm();
    auto box = robot::AnswerOwnMessageBoxAsync(IDOK);
    PostMessageA(form->Later->Handle(), BM_CLICK, 0, 0);
    FlushEvents(500);
    const auto shown = box.get();
    ASSERT_TRUE(shown.has_value()) << "no message for the exception";
    EXPECT_EQ(shown->text, "Disk full.");
    EXPECT_EQ(shown->caption, App().Title());
    EXPECT_EQ(shown->icon, robot::BoxIcon::Error);
}

TEST(ExceptionBoundary, TheApplicationsHandlerTakesItAndTheLoopGoesOn)
{
    TTestForm* form = CreateTestForm();
    std::vector<std::string> caught;
    Object* sender = nullptr;
    App().OnException = [&](Object* from, const std::exception& e) {
        sender = from;
        caught.push_back(e.what());
    };
    SendMessageA(form->Later->Handle(), BM_CLICK, 0, 0);
    SendMessageA(form->Sooner->Handle(), BM_CLICK, 0, 0);
    SendMessageA(form->Later->Handle(), BM_CLICK, 0, 0);
    FlushEvents();
    EXPECT_EQ(caught, (std::vector<std::string>{"Disk full", "Disk full"}));
    EXPECT_EQ(sender, form) << "the form whose message raised it reports it";
    EXPECT_EQ(form->clicks, 1);
    EXPECT_FALSE(robot::WaitForMessageBox(GetCurrentProcessId(), 200).has_value());
}

TEST(ExceptionBoundary, FromTheCreationAndShowEventsToo)
{
    App().Initialize();
    std::vector<std::string> caught;
    App().OnException = [&](Object*, const std::exception& e) { caught.push_back(e.what()); };
    struct TFailingForm : TTestForm {
        TFailingForm()
        {
            OnCreate = [](Object*) { throw Exception("no create"); };
            OnShow = [](Object*) { throw Exception("no show"); };
        }
    };
    TFailingForm* form = nullptr;
    App().CreateForm(form);
    EXPECT_EQ(caught, (std::vector<std::string>{"no create", "no show"}));
    EXPECT_TRUE(IsWindowVisible(form->Handle())) << "the form is shown all the same";
}

TEST(Application, FirstFormIsTheMainFormAndClosingItEndsTheLoop)
{
    TTestForm* first = CreateTestForm();
    TTestForm* second = nullptr;
    App().CreateForm(second);
    EXPECT_EQ(App().MainForm(), first);

    second->Close();
    FlushEvents();
    EXPECT_FALSE(IsWindowVisible(second->Handle()));
    EXPECT_FALSE(App().Terminated()) << "closing another form only hides it";

    bool allow = false;
    first->OnCloseQuery = [&](Object*, bool& canClose) { canClose = allow; };
    PostMessageA(first->Handle(), WM_CLOSE, 0, 0);
    FlushEvents();
    EXPECT_FALSE(App().Terminated()) << "the close query said no";
    allow = true;
    PostMessageA(first->Handle(), WM_CLOSE, 0, 0);
    FlushEvents();
    EXPECT_TRUE(App().Terminated());
}

TEST(Layout, AlignedControlsFollowTheFormsSize)
{
    TTestForm* form = CreateTestForm();
    auto expectPlaces = [&](int width, int height) {
        EXPECT_EQ(RectInParent(form->Footer->Handle()).top, height - 20);
        EXPECT_EQ(RectInParent(form->Footer->Handle()).right, width);
        const RECT body = RectInParent(form->Body->Handle());
        EXPECT_EQ(body.left, 0);
        EXPECT_EQ(body.top, 0);
        EXPECT_EQ(body.right, width);
        EXPECT_EQ(body.bottom, height - 20);
    };
    expectPlaces(300, 200);
    SetWindowPos(form->Handle(), nullptr, 0, 0, 500, 400, SWP_NOMOVE | SWP_NOZORDER);
    FlushEvents();
    RECT client;
    GetClientRect(form->Handle(), &client);
    expectPlaces(client.right, client.bottom);
}

TEST(Layout, TabOrderFollowsTheRowsSettingNotTheirOrder)
{
    TTestForm* form = CreateTestForm();
    EXPECT_EQ(GetNextDlgTabItem(form->Handle(), nullptr, FALSE), form->Sooner->Handle());
    EXPECT_EQ(GetNextDlgTabItem(form->Handle(), form->Sooner->Handle(), FALSE), form->Later->Handle());
    // The Tab key moves the focus the same way, through the message loop.
    form->Sooner->SetFocus();
    PostMessageA(form->Sooner->Handle(), WM_KEYDOWN, VK_TAB, 0);
    FlushEvents();
    EXPECT_EQ(GetFocus(), form->Later->Handle());
}
