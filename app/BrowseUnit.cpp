#include "app/BrowseUnit.h"

#include "classlib/Dialogs.h"

#include <winnetwk.h>

using namespace classlib;

TBrowseFolder* BrowseFolder = nullptr;

namespace {

const Layout<TBrowseFolder>& BrowseFolderLayout()
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
        .controls = {
            Place(&TBrowseFolder::PathLabel, {.name = "PathLabel", .bounds = {16, 32, 28, 13}, .caption = "&Path: "}),
            Place(&TBrowseFolder::PathEdit,
                  {.name = "PathEdit", .bounds = {16, 48, 216, 21}, .settings = {.tabOrder = 0}}),
            Place(&TBrowseFolder::DirLabel, {.name = "DirLabel", .bounds = {17, 79, 50, 13}, .caption = "&Directories"}),
            Place(&TBrowseFolder::ChooseLabel,
                  {.name = "ChooseLabel",
                   .bounds = {17, 11, 172, 13},
                   .caption = "Please choose the installation folder."}),
            Place(&TBrowseFolder::OKButton,
                  {.name = "OKButton",
                   .bounds = {162, 96, 75, 23},
                   .caption = "&OK",
                   .settings = {.tabOrder = 1, .defaultButton = true, .modalResult = mrOk}}),
            // Its id is no IDCANCEL, so Escape does not press it.
            Place(&TBrowseFolder::CancelButton,
                  {.name = "CancelButton",
                   .bounds = {162, 126, 75, 25},
                   .caption = "&Cancel",
                   .settings = {.tabOrder = 2, .modalResult = mrCancel}}),
            Place(&TBrowseFolder::DirectoryListBox,
                  {.name = "DirectoryListBox",
                   .bounds = {16, 96, 137, 105},
                   .settings = {.tabOrder = 3, .itemHeight = 16},
                   .onChange = &TBrowseFolder::DirectoryListBoxDblClick}),
            Place(&TBrowseFolder::DriveLabel, {.name = "DriveLabel", .bounds = {16, 224, 33, 13}, .caption = "Dr&ives:"}),
            Place(&TBrowseFolder::DriveComboBox,
                  {.name = "DriveComboBox",
                   .bounds = {16, 240, 137, 19},
                   .settings = {.tabOrder = 4, .dirList = "DirectoryListBox"}}),
            Place(&TBrowseFolder::Netbutton,
                  {.name = "Netbutton",
                   .bounds = {162, 238, 75, 23},
                   .caption = "&Network...",
                   .settings = {.tabOrder = 5},
                   .onClick = &TBrowseFolder::NetbuttonClick}),
        }};
    return layout;
}

bool NamesFolder(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string MissingFolderQuestion(const std::string& path)
{
    return "The Folder:\r\n\r\n'" + path + "'" + "\r\n\r\n" + "does not exist. Do you want the folder to be created?";
}

} // namespace

TBrowseFolder::TBrowseFolder() : Form("TBrowseFolder")
{
    OnShow = Bind(this, &TBrowseFolder::FormShow);
    OnCloseQuery = [this](Object* sender, bool& canClose) { FormCloseQuery(sender, canClose); };
}

void TBrowseFolder::CreateComponents()
{
    Build(*this, BrowseFolderLayout());
}

void TBrowseFolder::DirectoryListBoxDblClick(Object*)
{
    PathEdit->SetText(DirectoryListBox->Directory());
}

void TBrowseFolder::FormShow(Object*)
{
    PathEdit->SelectAll();
    PathEdit->SetFocus();
}

// The folder is not created here: the installation does that.
void TBrowseFolder::FormCloseQuery(Object*, bool& canClose)
{
    canClose = false;
    if (ModalResult() != mrOk) {
        canClose = true;
        return;
    }
    const std::string path = PathEdit->Text();
    if (NamesFolder(path)) {
        canClose = true;
        return;
    }
    if (ShowMessageBox(MissingFolderQuestion(path), "Setup", MB_YESNO | MB_ICONQUESTION) == IDYES)
        canClose = true;
    else
        SetModalResult(mrNone);
}

// The lists are not read again afterwards: a new drive shows at the next start.
void TBrowseFolder::NetbuttonClick(Object*)
{
    WNetConnectionDialog(Handle(), RESOURCETYPE_DISK);
}
