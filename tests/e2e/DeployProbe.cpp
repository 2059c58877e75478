// Runs the file deployment of an installation inside the setup windows, so
// that a test can watch it from outside, failures and the end of the process
// included: deploy_probe TEMPDIR TARGETDIR SYSTEMDIR (each ending with "\").
#include "app/BackgroundFormUnit.h"
#include "app/BrowseUnit.h"
#include "app/Main.h"
#include "app/RunInstFormUnit.h"
#include "classlib/Application.h"
#include "payload/Deploy.h"
#include "robot/Robot.h"

#include <cstdio>

using classlib::App;

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: deploy_probe TEMPDIR TARGETDIR SYSTEMDIR\n");
        return 2;
    }
    // The windows start as for a plain installation.
    App().SetCommandLine("setup.exe");
    App().Initialize();
    auto welcome = robot::AnswerOwnMessageBoxAsync(IDYES);
    App().CreateForm(BackgroundForm);
    App().CreateForm(MainForm);
    App().CreateForm(RunForm);
    App().CreateForm(BrowseFolder);
    if (!welcome.get()) return 3;
    App().ProcessMessages();

    MainForm->TempDir = argv[1];
    TargetDir = argv[2];
    SystemDir = argv[3];
    CreateTargetFolders();
    CopyAllFiles();
    std::printf("every file copied\n");
    return 0;
}
