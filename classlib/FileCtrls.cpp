#include "classlib/FileCtrls.h"

#include "classlib/Application.h"
#include "classlib/Forms.h"

#include <commctrl.h>

#include <algorithm>
#include <cctype>

namespace classlib {

namespace {

constexpr int kIndentBlanks = 3;
// How far the opened drive list reaches below the closed box.
constexpr int kDropDownHeight = 200;

bool IsFolder(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string FullPath(const std::string& path)
{
    char buffer[MAX_PATH];
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
    if (length == 0 || length >= sizeof buffer) return {};
    return std::string(buffer, length);
}

// The length of the root of a full path: "C:\" or "\\server\share\".
std::size_t RootLength(const std::string& path)
{
    if (path.size() >= 2 && path[1] == ':') return std::min<std::size_t>(path.size(), 3);
    if (path.rfind("\\\\", 0) == 0) {
        const std::size_t share = path.find('\\', 2);
        if (share == std::string::npos) return path.size();
        const std::size_t end = path.find('\\', share + 1);
        return end == std::string::npos ? path.size() : end + 1;
    }
    return 0;
}

// A full path in the list's form: a root keeps its backslash, a folder has none.
std::string Normalized(std::string path)
{
    while (path.size() > RootLength(path) && (path.back() == '\\' || path.back() == '/')) path.pop_back();
    if (path.size() == 2 && path[1] == ':') path += '\\';
    return path;
}

std::string Joined(const std::string& folder, const std::string& name)
{
    return folder.empty() || folder.back() == '\\' ? folder + name : folder + '\\' + name;
}

bool LessIgnoringCase(const std::string& a, const std::string& b)
{
    return lstrcmpiA(a.c_str(), b.c_str()) < 0;
}

std::vector<std::string> SubFolders(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(Joined(folder, "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = found.cFileName;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end(), LessIgnoringCase);
    return names;
}

std::string CurrentFolder()
{
    char buffer[MAX_PATH];
    const DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
    if (length == 0 || length >= sizeof buffer) throw Exception("Cannot read the current folder");
    return Normalized(std::string(buffer, length));
}

} // namespace

// --- DirectoryListBox ---

DirectoryListBox::DirectoryListBox(WinControl* parent) : WinControl(parent), directory_(CurrentFolder()) {}

DirectoryListBox::~DirectoryListBox()
{
    if (HandleAllocated()) RemoveWindowSubclass(Handle(), KeyProc, 0);
}

void DirectoryListBox::Configure(const ControlSettings& settings)
{
    WinControl::Configure(settings);
    itemHeight_ = settings.itemHeight;
}

void DirectoryListBox::FillCreateParams(CreateParams& params)
{
    WinControl::FillCreateParams(params);
    params.className = "LISTBOX";
    params.systemClass = true;
    // The list keeps the height it is given, whatever the height of its items.
    params.style |= WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
    params.exStyle |= WS_EX_CLIENTEDGE;
}

void DirectoryListBox::HandleCreated()
{
    // The system class does not let Enter through to the list unless asked.
    SetWindowSubclass(Handle(), KeyProc, 0, reinterpret_cast<DWORD_PTR>(this));
    FontChanged();
    BuildList();
}

void DirectoryListBox::FontChanged()
{
    WinControl::FontChanged();
    // A new font sets the system's item height again.
    if (HandleAllocated() && itemHeight_ > 0) SendMessageA(Handle(), LB_SETITEMHEIGHT, 0, itemHeight_);
}

char DirectoryListBox::Drive() const
{
    if (directory_.size() < 2 || directory_[1] != ':') return 0;
    return static_cast<char>(std::toupper(static_cast<unsigned char>(directory_[0])));
}

void DirectoryListBox::SetDirectory(const std::string& path)
{
    const std::string full = Normalized(FullPath(path));
    if (full.empty() || !IsFolder(full)) throw Exception("The folder " + path + " cannot be read");
    if (lstrcmpiA(full.c_str(), directory_.c_str()) == 0) return;
    directory_ = full;
    BuildList();
    Raise(OnChange, this);
}

void DirectoryListBox::OpenItem(int index)
{
    if (index < 0 || index >= ItemCount()) return;
    SetDirectory(ItemPath(index));
}

std::string DirectoryListBox::ItemText(int index) const
{
    if (!HandleAllocated()) return {};
    const LRESULT length = SendMessageA(Handle(), LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR) return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    SendMessageA(Handle(), LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

void DirectoryListBox::AddItem(int level, const std::string& name, std::string path)
{
    const std::string text = std::string(static_cast<std::size_t>(level * kIndentBlanks), ' ') + name;
    SendMessageA(Handle(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    itemPaths_.push_back(std::move(path));
}

void DirectoryListBox::BuildList()
{
    if (!HandleAllocated()) return;
    SendMessageA(Handle(), WM_SETREDRAW, FALSE, 0);
    SendMessageA(Handle(), LB_RESETCONTENT, 0, 0);
    itemPaths_.clear();

    const std::size_t rootLength = RootLength(directory_);
    std::string path = directory_.substr(0, rootLength);
    AddItem(0, path, path);
    int level = 0;
    for (std::size_t start = rootLength; start < directory_.size();) {
        std::size_t end = directory_.find('\\', start);
        if (end == std::string::npos) end = directory_.size();
        const std::string name = directory_.substr(start, end - start);
        path = Joined(path, name);
        AddItem(++level, name, path);
        start = end + 1;
    }
    const int current = ItemCount() - 1;
    for (const std::string& name : SubFolders(directory_)) AddItem(level + 1, name, Joined(directory_, name));

    SendMessageA(Handle(), LB_SETCURSEL, static_cast<WPARAM>(current), 0);
    SendMessageA(Handle(), WM_SETREDRAW, TRUE, 0);
    InvalidateRect(Handle(), nullptr, TRUE);
}

void DirectoryListBox::Command(WORD code)
{
    if (code == LBN_DBLCLK) OpenItem(static_cast<int>(SendMessageA(Handle(), LB_GETCURSEL, 0, 0)));
}

LRESULT CALLBACK DirectoryListBox::KeyProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                           DWORD_PTR data)
{
    auto* self = reinterpret_cast<DirectoryListBox*>(data);
    switch (message) {
    case WM_GETDLGCODE:
        if (wParam == VK_RETURN) return DefSubclassProc(hwnd, message, wParam, lParam) | DLGC_WANTALLKEYS;
        break;
    case WM_KEYDOWN:
        if (wParam != VK_RETURN) break;
        // The list's own window procedure is not the library's: exceptions end here too.
        try {
            self->OpenItem(static_cast<int>(SendMessageA(hwnd, LB_GETCURSEL, 0, 0)));
        } catch (const std::exception& e) {
            App().HandleException(self, e);
        }
        return 0;
    case WM_CHAR:
        if (wParam == '\r') return 0;
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(hwnd, KeyProc, 0);
        break;
    default:
        break;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

// --- DriveComboBox ---

void DriveComboBox::Configure(const ControlSettings& settings)
{
    WinControl::Configure(settings);
    if (settings.dirList) dirListName_ = settings.dirList;
}

void DriveComboBox::FillCreateParams(CreateParams& params)
{
    WinControl::FillCreateParams(params);
    params.className = "COMBOBOX";
    params.systemClass = true;
    params.style |= WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
    params.bounds.height += kDropDownHeight;
}

void DriveComboBox::SetBounds(const Bounds& bounds)
{
    if (bounds == GetBounds()) return;
    Control::SetBounds(bounds);
    if (HandleAllocated())
        MoveWindow(Handle(), bounds.left, bounds.top, bounds.width, bounds.height + kDropDownHeight, TRUE);
}

void DriveComboBox::HandleCreated()
{
    if (!dirListName_.empty()) {
        Form* form = ParentForm(this);
        auto* list = form ? dynamic_cast<DirectoryListBox*>(form->FindControl(dirListName_)) : nullptr;
        if (!list) throw Exception("No directory list " + dirListName_ + " for " + Name());
        dirList_ = list;
    }
    FillDrives();
    char start = dirList_ ? dirList_->Drive() : 0;
    if (!start) start = CurrentFolder()[0];
    SelectDrive(start);
}

void DriveComboBox::SetDirList(DirectoryListBox* list)
{
    dirList_ = list;
    if (dirList_ && dirList_->Drive()) SelectDrive(dirList_->Drive());
}

void DriveComboBox::FillDrives()
{
    SendMessageA(Handle(), CB_RESETCONTENT, 0, 0);
    drives_.clear();
    const DWORD mask = GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
        if (!(mask & (1u << i))) continue;
        const char letter = static_cast<char>('A' + i);
        const std::string root = std::string(1, letter) + ":\\";
        std::string text = std::string(1, static_cast<char>('a' + i)) + ":";
        // Only fixed drives are asked for their label: a floppy or an empty
        // CD drive would keep the user waiting or ask for a disk.
        const UINT type = GetDriveTypeA(root.c_str());
        char label[MAX_PATH] = {};
        if ((type == DRIVE_FIXED || type == DRIVE_RAMDISK) &&
            GetVolumeInformationA(root.c_str(), label, sizeof label, nullptr, nullptr, nullptr, nullptr, 0) &&
            label[0])
            text += std::string(" [") + label + "]";
        SendMessageA(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        drives_.push_back(letter);
    }
}

void DriveComboBox::SelectDrive(char letter)
{
    letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
    const auto found = std::find(drives_.begin(), drives_.end(), letter);
    if (found == drives_.end()) return;
    drive_ = letter;
    SendMessageA(Handle(), CB_SETCURSEL, static_cast<WPARAM>(found - drives_.begin()), 0);
}

void DriveComboBox::SetDrive(char letter)
{
    letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
    SelectDrive(letter);
    if (!dirList_) return;
    const std::string drive = std::string(1, letter) + ":";
    std::string folder = FullPath(drive);
    if (folder.empty() || !IsFolder(folder)) folder = drive + "\\";
    try {
        dirList_->SetDirectory(folder);
    } catch (...) {
        if (dirList_->Drive()) SelectDrive(dirList_->Drive());
        throw;
    }
}

void DriveComboBox::Command(WORD code)
{
    if (code != CBN_SELCHANGE) return;
    const LRESULT index = SendMessageA(Handle(), CB_GETCURSEL, 0, 0);
    if (index >= 0 && index < static_cast<LRESULT>(drives_.size())) SetDrive(drives_[static_cast<std::size_t>(index)]);
}

} // namespace classlib
