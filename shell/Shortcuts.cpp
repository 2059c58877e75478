#include "shell/Shortcuts.h"

#include "app/InstallRules.h"
#include "app/Main.h"
#include "app/Product.h"
#include "classlib/Application.h"
#include "classlib/ScopeExit.h"
#include "classlib/Text.h"
#include "payload/FileTables.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

void CreateShortcut(const std::string& target, const std::string& linkFile)
{
    // Asked on every call, and never undone: the thread stays in its apartment.
    CoInitialize(nullptr);
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return;
    classlib::AtScopeExit releaseLink([link] { link->Release(); });
    link->SetPath(target.c_str());

    IPersistFile* file = nullptr;
    if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) return;
    classlib::AtScopeExit releaseFile([file] { file->Release(); });
    wchar_t name[MAX_PATH];
    // Zero when the name and its terminator do not fit.
    if (MultiByteToWideChar(CP_ACP, 0, linkFile.c_str(), -1, name, MAX_PATH) == 0) return;
    file->Save(name, TRUE);
}

std::string ShortcutGroupFolder()
{
    return MainForm->AdvancedRegistry->ReadRegistryString("Programs") + "\\" TOLVA_PRODUCT_NAME "\\";
}

namespace {

// Writes one value, counting a key that cannot be opened or created as a
// value that cannot be written: the entry would be missing all the same.
void WriteValue(TAdvancedRegistry& registry, const std::string& name, const std::string& value)
{
    bool keyRefused = false;
    classlib::NotifyEvent previous = registry.OnError;
    registry.OnError = [&keyRefused](classlib::Object*) { keyRefused = true; };
    classlib::AtScopeExit restore([&registry, &previous] { registry.OnError = std::move(previous); });
    registry.WriteRegistryString(name, value);
    if (keyRefused) throw classlib::RegistryException("Failed to set data for '" + name + "'");
}

} // namespace

void CreateIconsAndRegister()
{
    MainForm->ShowProgress("Creating Icons...");
    const std::string group = ShortcutGroupFolder();
    // An existing group is reused.
    CreateDirectoryA(group.c_str(), nullptr);
    for (std::size_t i = 0; i < payload::ShortcutTargets.size(); ++i)
        CreateShortcut(TargetDir + std::string(payload::ShortcutTargets[i]),
                       group + std::string(payload::ShortcutNames[i]) + ".lnk");

    try {
        WriteValue(*MainForm->AdvancedRegistryInstall, "DisplayName", TOLVA_PRODUCT_NAME);
        WriteValue(*MainForm->AdvancedRegistryInstall, "UninstallString",
                   UninstallCommand(TargetDir, classlib::ExtractFileName(classlib::App().ParamStr(0))));
        WriteValue(*MainForm->PathRegistry, "InstallDir", TargetDir);
    } catch (const std::exception& e) {
        ReportFailure(std::string("Registry error: ") + e.what() + AdministratorHint);
    }
}
