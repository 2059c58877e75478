// Reading shell links back through the shell's own link object.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <optional>
#include <string>

namespace linktest {

// Where a shell link points, read back through the shell link object.
inline std::optional<std::string> LinkTarget(const std::string& linkFile)
{
    CoInitialize(nullptr);
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return std::nullopt;
    std::optional<std::string> target;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        const std::wstring name(linkFile.begin(), linkFile.end());
        char path[MAX_PATH] = {};
        if (SUCCEEDED(file->Load(name.c_str(), STGM_READ)) &&
            link->GetPath(path, sizeof path, nullptr, SLGP_RAWPATH) == S_OK)
            target = path;
        file->Release();
    }
    link->Release();
    return target;
}

} // namespace linktest
