// Program start: the four windows in their order, then the message loop.
#include "app/BackgroundFormUnit.h"
#include "app/BrowseUnit.h"
#include "app/Main.h"
#include "app/RunInstFormUnit.h"
#include "classlib/Application.h"
#include "components/ConfigDir.h"
#include "components/SharedRecords.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    using classlib::App;
    using classlib::Application;
    // The units the program shares with the servers start before anything
    // else and finish when the program ends.
    StartSharedRecordsUnit();
    Application::AddExitProc(FinishSharedRecordsUnit);
    StartConfigDirUnit(App().ParamStr(0));
    try {
        App().Initialize();
        App().CreateForm(BackgroundForm);
        App().CreateForm(MainForm);
        App().CreateForm(RunForm);
        App().CreateForm(BrowseFolder);
        App().Run();
    } catch (const std::exception& e) {
        // A window that could not be made: reported, and the program ends as always.
        App().HandleException(nullptr, e);
    }
    Application::Halt(0);
}
