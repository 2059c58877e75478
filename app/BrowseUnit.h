// The dialog in which the user picks the installation folder.
#pragma once

#include "classlib/FileCtrls.h"
#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"

class TBrowseFolder : public classlib::Form {
public:
    TBrowseFolder();

    classlib::Label* PathLabel = nullptr;
    // The path being chosen; what the main window hands over and takes back.
    classlib::Edit* PathEdit = nullptr;
    classlib::Label* DirLabel = nullptr;
    classlib::Label* ChooseLabel = nullptr;
    classlib::Button* OKButton = nullptr;
    classlib::Button* CancelButton = nullptr;
    classlib::DirectoryListBox* DirectoryListBox = nullptr;
    classlib::Label* DriveLabel = nullptr;
    classlib::DriveComboBox* DriveComboBox = nullptr;
    classlib::Button* Netbutton = nullptr;

    // Bound to the directory list's change event, not to a double click.
    void DirectoryListBoxDblClick(classlib::Object* sender);
    void FormShow(classlib::Object* sender);
    void FormCloseQuery(classlib::Object* sender, bool& canClose);
    void NetbuttonClick(classlib::Object* sender);

protected:
    void CreateComponents() override;
};

extern TBrowseFolder* BrowseFolder;
