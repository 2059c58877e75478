// The dialog in which the user picks the installation folder.
#pragma once

#include "classlib/Forms.h"

class TBrowseFolder : public classlib::Form {
public:
    TBrowseFolder();

protected:
    void CreateComponents() override;
};

extern TBrowseFolder* BrowseFolder;
