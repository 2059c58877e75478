#include "classlib/Application.h"

#include "classlib/Dialogs.h"
#include "classlib/Forms.h"
#include "classlib/Text.h"

#include <commctrl.h>

namespace classlib {

Application& App()
{
    static Application application;
    return application;
}

Application::Application() : commandLine_(SplitCommandLine(GetCommandLineA())) {}

Application::~Application() = default;

void Application::Initialize()
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
}

void Application::Run()
{
    if (mainForm_) mainForm_->Show();
    while (!terminated_) {
        MSG message;
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            terminated_ = true;
            break;
        }
        Dispatch(message);
    }
}

void Application::ProcessMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            terminated_ = true;
            continue;
        }
        Dispatch(message);
    }
}

bool Application::Dispatch(MSG& message)
{
    // Tab, the arrow keys and Enter work in every form as they do in dialogs.
    HWND active = GetActiveWindow();
    if (active && dynamic_cast<Form*>(WinControl::FromHandle(active)) && IsDialogMessageA(active, &message))
        return true;
    TranslateMessage(&message);
    DispatchMessageA(&message);
    return true;
}

void Application::Terminate()
{
    PostQuitMessage(0);
}

void Application::HandleException(Object* sender, const std::exception& e)
{
    if (OnException) {
        try {
            OnException(sender, e);
        } catch (...) {
            // The handler's own failure has nowhere further to go.
        }
        return;
    }
    std::string text = e.what();
    if (!text.empty() && text.back() != '.') text += '.';
    ShowMessageBox(text, Title(), MB_OK | MB_ICONERROR);
}

int Application::ParamCount() const
{
    return commandLine_.empty() ? 0 : static_cast<int>(commandLine_.size()) - 1;
}

std::string Application::ParamStr(int index) const
{
    if (index == 0) {
        char path[MAX_PATH];
        const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
        return std::string(path, length);
    }
    if (index < 0 || index > ParamCount()) return {};
    return commandLine_[static_cast<std::size_t>(index)];
}

void Application::SetCommandLine(const std::string& commandLine)
{
    commandLine_ = SplitCommandLine(commandLine);
}

std::string Application::Title() const
{
    std::string name = ExtractFileName(ParamStr(0));
    const auto dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

namespace {

std::vector<std::function<void()>>& ExitProcs()
{
    static std::vector<std::function<void()>> procs;
    return procs;
}

} // namespace

void Application::AddExitProc(std::function<void()> proc)
{
    ExitProcs().push_back(std::move(proc));
}

void Application::Halt(int exitCode)
{
    // Taken off the list before they run, so that a Halt from inside one ends at once.
    auto& procs = ExitProcs();
    while (!procs.empty()) {
        const std::function<void()> proc = std::move(procs.back());
        procs.pop_back();
        proc();
    }
    ExitProcess(static_cast<UINT>(exitCode));
}

} // namespace classlib
