#include "app/RunInstFormUnit.h"

using namespace classlib;

TRunForm* RunForm = nullptr;

namespace {

const FontDesc kFormFont{.name = "MS Sans Serif", .height = -11, .color = clWindowText};

const Layout<TRunForm>& RunFormLayout()
{
    static const Layout<TRunForm> layout{
        .form = {.caption = "Processing...",
                 .clientWidth = 323,
                 .clientHeight = 45,
                 .borderStyle = BorderStyle::Single,
                 .borderIcons = {.systemMenu = false, .minimize = true, .maximize = true},
                 .formStyle = FormStyle::StayOnTop,
                 .position = Position::ScreenCenter,
                 .visible = false,
                 .color = clBtnFace,
                 .font = kFormFont},
        .controls = {
            Place(&TRunForm::BackPanel,
                  {.name = "BackPanel",
                   .bounds = {0, 0, 323, 45},
                   .settings = {.font = kFormFont, .align = Align::Client, .tabOrder = 0, .bevelOuter = Bevel::None}}),
        }};
    return layout;
}

} // namespace

TRunForm::TRunForm() : Form("TRunForm")
{
    OnCloseQuery = [this](Object* sender, bool& canClose) { FormCloseQuery(sender, canClose); };
}

void TRunForm::CreateComponents()
{
    Build(*this, RunFormLayout());
}

void TRunForm::FormCloseQuery(Object*, bool& canClose)
{
    canClose = AllowClose;
}
