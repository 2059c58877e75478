// The small stay-on-top window that shows the step an installation is at.
#pragma once

#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"

class TRunForm : public classlib::Form {
public:
    TRunForm();

    classlib::Panel* BackPanel = nullptr;
    // Until the installation allows it, the window refuses to close.
    bool AllowClose = false;

    void FormCloseQuery(classlib::Object* sender, bool& canClose);

protected:
    void CreateComponents() override;
};

extern TRunForm* RunForm;
