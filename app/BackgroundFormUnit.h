// The maximised window behind the setup dialog.
#pragma once

#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"

class TBackgroundForm : public classlib::Form {
public:
    TBackgroundForm();

    // The maker's notice of rights, along the bottom of the gradient.
    classlib::Label* CopyrightLabel = nullptr;

    void FormCreate(classlib::Object* sender);
    void FormShow(classlib::Object* sender);
    void FormCloseQuery(classlib::Object* sender, bool& canClose);

protected:
    void CreateComponents() override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

extern TBackgroundForm* BackgroundForm;
