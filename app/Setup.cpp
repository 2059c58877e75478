// Program start: the four windows in their order, then the message loop.
#include "app/BackgroundFormUnit.h"
#include "app/BrowseUnit.h"
#include "app/Main.h"
#include "app/RunInstFormUnit.h"
#include "classlib/Application.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    using classlib::App;
    App().Initialize();
    App().CreateForm(BackgroundForm);
    App().CreateForm(MainForm);
    App().CreateForm(RunForm);
    App().CreateForm(BrowseFolder);
    App().Run();
    classlib::Application::Halt(0);
}
