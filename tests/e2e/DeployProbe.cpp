// Runs the file deployment of an installation inside the setup windows, so
// that a test can watch it from outside, failures and the end of the process
// included: deploy_probe TEMPDIR TARGETDIR SYSTEMDIR (each ending with "\").
#include "../win/SetupWindows.h"
#include "payload/Deploy.h"

#include <cstdio>

using classlib::App;

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: deploy_probe TEMPDIR TARGETDIR SYSTEMDIR\n");
        return 2;
    }
    if (!wintest::StartSetupWindows()) return 3;
    App().ProcessMessages();

    MainForm->TempDir = argv[1];
    TargetDir = argv[2];
    SystemDir = argv[3];
    CreateTargetFolders();
    CopyAllFiles();
    std::printf("every file copied\n");
    return 0;
}
