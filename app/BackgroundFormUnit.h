// The maximised window behind the setup dialog.
#pragma once

#include "classlib/Forms.h"

class TBackgroundForm : public classlib::Form {
public:
    TBackgroundForm();

    void FormShow(classlib::Object* sender);
    void FormCloseQuery(classlib::Object* sender, bool& canClose);

protected:
    void CreateComponents() override;
};

extern TBackgroundForm* BackgroundForm;
