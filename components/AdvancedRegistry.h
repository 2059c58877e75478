// A registry key named by a root key, an area path and a section name, with
// reading, writing and deleting of its string values and keys.
#pragma once

#include <string>
#include <utility>

#include "classlib/Object.h"
#include "classlib/Registry.h"

enum TRegistryKey : unsigned char {
    hkCLASSES_ROOT,
    hkCURRENT_USER,
    hkLOCAL_MACHINE,
    hkUSERS,
    hkPERFORMANCE_DATA,
    hkCURRENT_CONFIG,
    hkDYN_DATA,
};

// Failures of the key itself (it cannot be opened, created or deleted, or a
// value cannot be read) go to OnError and are not raised; only a value that
// cannot be written raises, from WriteRegistryString.
class TAdvancedRegistry : public classlib::Object {
public:
    // The registry object's own root starts as HKEY_CURRENT_USER while the
    // property reads hkCLASSES_ROOT, until the property is assigned.
    TAdvancedRegistry() = default;

    TRegistryKey RegistryRootKey() const { return registryRootKey_; }
    // Ordinals 0 to 6 select their root key (closing a key still open when the
    // root changes); a higher ordinal is only stored.
    void SetRegistryRootKey(TRegistryKey value);

    // The key path below the root, written with a leading backslash.
    const std::string& RegistryArea() const { return registryArea_; }
    void SetRegistryArea(std::string value) { registryArea_ = std::move(value); }

    // The name of the subkey below the area.
    const std::string& RegistrySection() const { return registrySection_; }
    void SetRegistrySection(std::string value) { registrySection_ = std::move(value); }

    // Called with this component as the sender.
    classlib::NotifyEvent OnError;

    // The string value `name` of the key RegistryArea\RegistrySection, or ""
    // when the key or the value is missing or the value is not a string.
    std::string ReadRegistryString(const std::string& name);
    // Stores `value` as REG_SZ, creating the key and the keys above it.
    // Throws classlib::RegistryException when the value cannot be set; the key
    // then stays open in RegistryObject() until its next operation.
    void WriteRegistryString(const std::string& name, const std::string& value);
    // Deletes the key at the whole path `keyPath` with all its subkeys.
    void DeleteRegistryKey(const std::string& keyPath);

    classlib::Registry& RegistryObject() { return registry_; }

private:
    std::string KeyPath() const;
    void DoError();

    classlib::Registry registry_;
    TRegistryKey registryRootKey_ = hkCLASSES_ROOT;
    std::string registryArea_;
    std::string registrySection_;
};
