#include "classlib/Registry.h"

#include "classlib/ScopeExit.h"

#include <cstring>
#include <utility>

namespace classlib {

namespace {

std::string ValueMessage(const char* what, const std::string& name)
{
    return std::string(what) + " '" + name + "'";
}

} // namespace

RegKey& RegKey::operator=(RegKey&& other) noexcept
{
    if (this != &other) {
        Close();
        key_ = other.Release();
    }
    return *this;
}

void RegKey::Close() noexcept
{
    if (key_) RegCloseKey(key_);
    key_ = nullptr;
}

HKEY RegKey::Release() noexcept
{
    return std::exchange(key_, nullptr);
}

LONG RegKey::Open(HKEY parent, const std::string& subKey, REGSAM access) noexcept
{
    HKEY opened = nullptr;
    const LONG result = RegOpenKeyExA(parent, subKey.c_str(), 0, access, &opened);
    if (result == ERROR_SUCCESS) *this = RegKey(opened);
    return result;
}

LONG RegKey::Create(HKEY parent, const std::string& subKey, REGSAM access) noexcept
{
    HKEY created = nullptr;
    DWORD disposition = 0;
    const LONG result = RegCreateKeyExA(parent, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                        access, nullptr, &created, &disposition);
    if (result == ERROR_SUCCESS) *this = RegKey(created);
    return result;
}

void Registry::SetRootKey(HKEY root) noexcept
{
    if (root == root_) return;
    CloseKey();
    root_ = root;
}

Registry::Resolved Registry::Resolve(const std::string& path) const
{
    if (!path.empty() && path.front() == '\\') return {root_, path.substr(1), false};
    if (current_) return {current_.Get(), path, true};
    return {root_, path, false};
}

std::string Registry::PathBelowRoot(const Resolved& target) const
{
    if (!target.relativeToCurrent || currentPath_.empty()) return target.subKey;
    if (target.subKey.empty()) return currentPath_;
    return currentPath_ + "\\" + target.subKey;
}

bool Registry::OpenKey(const std::string& path, bool canCreate)
{
    const Resolved target = Resolve(path);
    RegKey opened;
    const LONG result = canCreate ? opened.Create(target.base, target.subKey, Access)
                                  : opened.Open(target.base, target.subKey, Access);
    if (result != ERROR_SUCCESS) return false;
    // The path is built first: the base may be the key about to be replaced.
    currentPath_ = PathBelowRoot(target);
    current_ = std::move(opened);
    return true;
}

bool Registry::KeyExists(const std::string& path) const
{
    const Resolved target = Resolve(path);
    RegKey probe;
    return probe.Open(target.base, target.subKey, Access) == ERROR_SUCCESS;
}

void Registry::CloseKey() noexcept
{
    current_.Close();
    currentPath_.clear();
}

std::string Registry::ReadString(const std::string& name) const
{
    if (!current_) return {};
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(current_.Get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS
        || size == 0)
        return {};
    std::string data(size, '\0');
    if (RegQueryValueExA(current_.Get(), name.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
        throw RegistryException(ValueMessage("Failed to get data for", name));
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        throw RegistryException(ValueMessage("Invalid data type for", name));
    // Stored strings need not end with a zero, and may hold more than one.
    data.resize(strnlen(data.data(), size));
    return data;
}

void Registry::WriteString(const std::string& name, const std::string& value)
{
    const LONG result = RegSetValueExA(current_.Get(), name.c_str(), 0, REG_SZ,
                                       reinterpret_cast<const BYTE*>(value.c_str()),
                                       static_cast<DWORD>(value.size() + 1));
    if (result != ERROR_SUCCESS) throw RegistryException(ValueMessage("Failed to set data for", name));
}

bool Registry::DeleteKey(const std::string& path)
{
    const Resolved target = Resolve(path);
    // An empty name opens the base key itself: its whole tree would go before
    // its own deletion is refused.
    if (target.subKey.empty()) return false;
    RegKey opened;
    if (opened.Open(target.base, target.subKey, Access) == ERROR_SUCCESS) {
        // The subkeys are deleted by their names relative to this key, so it is
        // the open key meanwhile; the previous one comes back (and this one is
        // closed) however the scope ends. `target.base` stays valid: it is
        // either the root or held in `previous`.
        std::string openedPath = PathBelowRoot(target);
        RegKey previous = std::exchange(current_, std::move(opened));
        std::string previousPath = std::exchange(currentPath_, std::move(openedPath));
        AtScopeExit restore([&]() noexcept {
            current_ = std::move(previous);
            currentPath_ = std::move(previousPath);
        });
        DeleteSubkeysOfCurrent();
    }
    return RegDeleteKeyA(target.base, target.subKey.c_str()) == ERROR_SUCCESS;
}

void Registry::DeleteSubkeysOfCurrent()
{
    DWORD count = 0;
    DWORD longestName = 0;
    if (RegQueryInfoKeyA(current_.Get(), nullptr, nullptr, nullptr, &count, &longestName, nullptr,
                         nullptr, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return;
    std::string name(longestName + 1, '\0');
    // From the last index down, so that deleting one leaves the lower ones in place.
    for (DWORD index = count; index-- > 0;) {
        DWORD length = longestName + 1;
        if (RegEnumKeyExA(current_.Get(), index, name.data(), &length, nullptr, nullptr, nullptr,
                          nullptr) != ERROR_SUCCESS)
            continue;
        DeleteKey(name.substr(0, length));
    }
}

} // namespace classlib
