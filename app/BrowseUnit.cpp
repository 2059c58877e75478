#include "app/BrowseUnit.h"

using namespace classlib;

TBrowseFolder* BrowseFolder = nullptr;

TBrowseFolder::TBrowseFolder() : Form("TBrowseFolder") {}

// For now an empty hidden window; its controls come with the folder lists.
void TBrowseFolder::CreateComponents()
{
    static const Layout<TBrowseFolder> layout{
        .form = {.caption = "Choose Folder",
                 .clientWidth = 250,
                 .clientHeight = 266,
                 .borderStyle = BorderStyle::Dialog,
                 .position = Position::ScreenCenter,
                 .visible = false,
                 .color = clBtnFace,
                 .font = {.name = "MS Sans Serif", .height = -11}},
        .controls = {}};
    Build(*this, layout);
}
