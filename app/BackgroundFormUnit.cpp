#include "app/BackgroundFormUnit.h"

#include "app/Main.h"
#include "app/Messages.h"
#include "app/Product.h"
#include "classlib/Dialogs.h"
#include "components/GradPan.h"

using namespace classlib;

TBackgroundForm* BackgroundForm = nullptr;

TBackgroundForm::TBackgroundForm() : Form("TBackgroundForm")
{
    OnCreate = Bind(this, &TBackgroundForm::FormCreate);
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
        .controls = {
            // Ends in a blank, so that the right-justified text stands a blank's width from the edge.
            Place(&TBackgroundForm::CopyrightLabel,
                  {.name = "CopyrightLabel",
                   .bounds = {0, 210, 350, 13},
                   .caption = "Copyright (C) 1999-2003 TOLVA Software. All rights reserved. ",
                   .settings = {.font = FontDesc{.name = "MS Sans Serif", .height = -11, .color = clWhite},
                                .transparent = true,
                                .alignment = Alignment::RightJustify,
                                .align = Align::Bottom}}),
        }};
    Build(*this, layout);
}

void TBackgroundForm::FormCreate(Object*)
{
    // Made here rather than in the layout, owned by the window and kept in no field.
    auto& panel = Own<TGradPan>(this);
    panel.SetAlign(Align::Client);
    panel.SetCaption(" TOLVA SMTP/ESMTP/POP3/IMAP4 Server " TOLVA_VERSION);
    panel.SetCaption(panel.Caption() + TOLVA_EDITION);
    FontDesc font = panel.GetFont().Desc();
    font.color = 0xFFFFFF;
    font.height = -16;  // 12 points at 96 pixels per inch
    panel.SetFont(font);
    panel.SetAlignment(Alignment::LeftJustify);
    panel.SetVertAlign(vlTop);
    panel.SetTextEffect(teShadow);
    panel.SetColorShadow(0);
    panel.SetBackGroundEffect(bdUp);
    panel.SetColorStart(0xFF0000);
    panel.SetColorEnd(0);
    panel.CreateHandle();
    // Onto the panel, so that it is drawn over the gradient inside the frame.
    CopyrightLabel->SetParent(&panel);
}

LRESULT TBackgroundForm::WndProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = Form::WndProc(message, wParam, lParam);
    // The title bar counts as client area: dragging it does not move the
    // window, nor does a double click restore it.
    if (message == WM_NCHITTEST && result == HTCAPTION) return HTCLIENT;
    return result;
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
