// The file-system controls: the folder tree of one drive, and a box of the
// drives that moves such a tree to the drive chosen.
#pragma once

#include "classlib/Controls.h"

#include <string>
#include <vector>

namespace classlib {

// The folders of one drive on a system list box: the root, each folder down
// to the current one, then the current one's sub-folders, each item indented
// by its depth. Opening an item (double click or Enter) makes its folder
// current and raises OnChange.
class DirectoryListBox : public WinControl {
public:
    // Starts in the process's current folder.
    explicit DirectoryListBox(WinControl* parent);
    ~DirectoryListBox() override;

    void Configure(const ControlSettings& settings) override;

    // A full path: "C:\" for a root, otherwise without a trailing backslash.
    const std::string& Directory() const { return directory_; }
    // Makes the folder `path` names current; raises OnChange when that is
    // another folder. Throws if `path` names no folder, leaving the list as it was.
    void SetDirectory(const std::string& path);
    // The drive letter of the current folder, upper case; 0 for a network path.
    char Drive() const;

    // What the user's opening of an item does.
    void OpenItem(int index);
    int ItemCount() const { return static_cast<int>(itemPaths_.size()); }
    // The folder an item stands for, as a full path.
    const std::string& ItemPath(int index) const { return itemPaths_.at(static_cast<std::size_t>(index)); }
    // The text the list shows for an item: the folder's name after three blanks per level.
    std::string ItemText(int index) const;

protected:
    void FillCreateParams(CreateParams& params) override;
    void HandleCreated() override;
    void FontChanged() override;
    void Command(WORD code) override;

private:
    static LRESULT CALLBACK KeyProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                    DWORD_PTR self);
    void BuildList();
    void AddItem(int level, const std::string& name, std::string path);

    std::string directory_;
    std::vector<std::string> itemPaths_;
    int itemHeight_ = 0;
};

// The drives on a system drop-down list. Linked to a directory list box,
// choosing a drive moves the list to that drive's current folder, or to its
// root when that cannot be read.
class DriveComboBox : public WinControl {
public:
    using WinControl::WinControl;

    // Takes the name of the linked list, which must stand earlier in the layout.
    void Configure(const ControlSettings& settings) override;
    // The height is that of the closed box, which the system sets from the
    // font; the opened list reaches further down.
    void SetBounds(const Bounds& bounds) override;

    DirectoryListBox* DirList() const { return dirList_; }
    void SetDirList(DirectoryListBox* list);

    // Upper-case drive letters, in the order the box lists them.
    const std::vector<char>& Drives() const { return drives_; }
    char Drive() const { return drive_; }
    // What the user's choice of a drive does. Throws if the drive cannot be
    // read, leaving the box on the list's drive.
    void SetDrive(char letter);

protected:
    void FillCreateParams(CreateParams& params) override;
    void HandleCreated() override;
    void Command(WORD code) override;

private:
    void FillDrives();
    void SelectDrive(char letter);

    std::string dirListName_;
    DirectoryListBox* dirList_ = nullptr;
    std::vector<char> drives_;
    char drive_ = 0;
};

} // namespace classlib
