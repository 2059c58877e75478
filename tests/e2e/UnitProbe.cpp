// Starts the units the setup program shares with the servers as the program
// start does, prints the configuration folder and ends through Halt, whose
// exit procedures say when they run.
#include "classlib/Application.h"
#include "components/ConfigDir.h"

#include <cstdio>

using classlib::Application;

int main()
{
    StartConfigDirUnit(classlib::App().ParamStr(0));
    std::printf("%s\n", ConfigDir.c_str());
    Application::AddExitProc([] {
        std::printf("exit of the first unit\n");
        std::fflush(stdout);  // the last to run: the process ends right after it
    });
    Application::AddExitProc([] { std::printf("exit of the second unit\n"); });
    Application::Halt(0);
}
