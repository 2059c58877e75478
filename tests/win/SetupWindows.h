// The four setup windows, created in this process as the program start does.
#pragma once

#include "app/BackgroundFormUnit.h"
#include "app/BrowseUnit.h"
#include "app/Main.h"
#include "app/RunInstFormUnit.h"
#include "classlib/Application.h"
#include "robot/Robot.h"

namespace wintest {

// Creates them for a plain installation and answers the welcome question Yes.
// False if no welcome question came.
inline bool StartSetupWindows()
{
    using classlib::App;
    App().SetCommandLine("setup.exe");
    App().Initialize();
    auto welcome = robot::AnswerOwnMessageBoxAsync(IDYES);
    App().CreateForm(BackgroundForm);
    App().CreateForm(MainForm);
    App().CreateForm(RunForm);
    App().CreateForm(BrowseFolder);
    return welcome.get().has_value();
}

} // namespace wintest
