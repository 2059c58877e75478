#include "components/AdvancedRegistry.h"

#include "classlib/ScopeExit.h"

#include <iterator>

namespace {

// The root key of each TRegistryKey ordinal.
const HKEY RootKeys[] = {
    HKEY_CLASSES_ROOT,
    HKEY_CURRENT_USER,
    HKEY_LOCAL_MACHINE,
    HKEY_USERS,
    HKEY_PERFORMANCE_DATA,
    HKEY_CURRENT_CONFIG,
    HKEY_DYN_DATA,
};

} // namespace

void TAdvancedRegistry::SetRegistryRootKey(TRegistryKey value)
{
    registryRootKey_ = value;
    if (value < std::size(RootKeys)) registry_.SetRootKey(RootKeys[value]);
}

std::string TAdvancedRegistry::KeyPath() const
{
    return registryArea_ + "\\" + registrySection_;
}

void TAdvancedRegistry::DoError()
{
    classlib::Raise(OnError, this);
}

std::string TAdvancedRegistry::ReadRegistryString(const std::string& name)
{
    std::string result;
    const std::string path = KeyPath();
    // Full access also for this test: a key that cannot be written counts as missing.
    if (!registry_.KeyExists(path)) {
        DoError();
        return result;
    }
    // Whether this open succeeds is not asked: with no key open the value reads as missing.
    registry_.OpenKey(path, false);
    // The key is closed however the read ends, also when an OnError handler throws.
    classlib::AtScopeExit closeKey([this] { registry_.CloseKey(); });
    try {
        result = registry_.ReadString(name);
    } catch (...) {
        // Every failure of the read is reported, none is raised.
        DoError();
    }
    return result;
}

void TAdvancedRegistry::WriteRegistryString(const std::string& name, const std::string& value)
{
    if (!registry_.OpenKey(KeyPath(), true)) {
        DoError();
        return;
    }
    // A refused value raises past the close on purpose: the caller reports it,
    // and the key stays open until the registry object's next operation.
    registry_.WriteString(name, value);
    registry_.CloseKey();
}

void TAdvancedRegistry::DeleteRegistryKey(const std::string& keyPath)
{
    if (!registry_.DeleteKey(keyPath)) DoError();
}
