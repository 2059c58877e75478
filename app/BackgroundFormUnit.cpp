#include "app/BackgroundFormUnit.h"

#include "app/Main.h"
#include "app/Messages.h"
#include "classlib/Dialogs.h"

using namespace classlib;

TBackgroundForm* BackgroundForm = nullptr;

TBackgroundForm::TBackgroundForm() : Form("TBackgroundForm")
{
    OnShow = Bind(this, &TBackgroundForm::FormShow);
    OnCloseQuery = [this](Object* sender, bool& canClose) { FormCloseQuery(sender, canClose); };
}

void TBackgroundForm::CreateComponents()
{
    static const Layout<TBackgroundForm> layout{
        .form = {.caption = "TOLVA Mail Server Setup",
                 .left = 304,
                 .top = 167,
                 .clientWidth = 350,
                 .clientHeight = 223,
                 .borderStyle = BorderStyle::Single,
                 .borderIcons = {.systemMenu = true, .minimize = true, .maximize = false},
                 .position = Position::ScreenCenter,
                 .windowState = WindowState::Maximized,
                 .color = clBtnFace,
                 .font = {.name = "MS Sans Serif", .height = -11}},
        .controls = {}};
    Build(*this, layout);
}

void TBackgroundForm::FormShow(Object*)
{
    // Posted, not sent: the setup dialog comes up once this window is shown.
    if (MainForm && MainForm->HandleAllocated()) PostMessageA(MainForm->Handle(), CM_SHOWMAIN, 0, 0);
}

void TBackgroundForm::FormCloseQuery(Object*, bool& canClose)
{
    canClose = ShowMessageBox("Do you wish to cancel this installation?", "Exit Setup",
                              MB_YESNO | MB_ICONQUESTION) == IDYES;
}
