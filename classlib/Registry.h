// The class library's registry access: an owning key handle and the registry
// object that keeps one open key below a root key.
#pragma once

#include <windows.h>

#include <string>

#include "classlib/Object.h"

namespace classlib {

// What the registry object throws when a value cannot be read or written.
class RegistryException : public Exception {
public:
    using Exception::Exception;
};

// An open registry key that this object closes. Moving hands the key on;
// copying is not allowed, since both copies would close the same handle.
class RegKey {
public:
    RegKey() noexcept = default;
    // Takes over `key`. A predefined root key may be held too: the system
    // ignores closing one.
    explicit RegKey(HKEY key) noexcept : key_(key) {}
    RegKey(RegKey&& other) noexcept : key_(other.Release()) {}
    RegKey& operator=(RegKey&& other) noexcept;
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    ~RegKey() { Close(); }

    HKEY Get() const noexcept { return key_; }
    explicit operator bool() const noexcept { return key_ != nullptr; }

    // Closes the held key, if any, without flushing it.
    void Close() noexcept;
    // Gives up the held key without closing it; the caller closes it.
    HKEY Release() noexcept;

    // Open `subKey` of `parent` with `access`; Create also creates it and the
    // missing keys above it (non-volatile, default security).
    // Both return the system's error code. On success this object holds the
    // new key and has closed the one it held; on failure it still holds the
    // key it held before, untouched.
    LONG Open(HKEY parent, const std::string& subKey, REGSAM access) noexcept;
    LONG Create(HKEY parent, const std::string& subKey, REGSAM access) noexcept;

private:
    HKEY key_ = nullptr;
};

// A root key and at most one open key below it, opened with full access and
// written lazily: closing a key releases its handle without RegFlushKey.
//
// A path that begins with a backslash is taken from the root key (the
// backslash is dropped before the system is called); any other path is taken
// relative to the open key, or to the root key when no key is open.
class Registry : public Object {
public:
    static constexpr REGSAM Access = KEY_ALL_ACCESS;

    Registry() = default;

    HKEY RootKey() const noexcept { return root_; }
    // A root that differs from the current one closes the open key. The root
    // is not owned: a predefined key, or a key the caller keeps open.
    void SetRootKey(HKEY root) noexcept;

    // The open key, or 0 when none is open, and its path below the root
    // (without a leading backslash; "" when none is open).
    HKEY CurrentKey() const noexcept { return current_.Get(); }
    const std::string& CurrentPath() const noexcept { return currentPath_; }

    // Makes `path` the open key, creating it (and the keys above it) when
    // `canCreate` is set. On failure the key that was open stays open.
    bool OpenKey(const std::string& path, bool canCreate);
    // Whether `path` opens with full access; the open key does not change.
    bool KeyExists(const std::string& path) const;
    void CloseKey() noexcept;

    // The string value `name` of the open key: "" when it is missing or its
    // size is 0 (also when no key is open); otherwise its data up to the
    // first zero character, a REG_EXPAND_SZ value unexpanded.
    // Throws RegistryException when the data cannot be read or is of another
    // type than REG_SZ or REG_EXPAND_SZ.
    std::string ReadString(const std::string& name) const;
    // Stores `value` as REG_SZ in the open key: its characters and one zero
    // byte. Throws RegistryException when the system refuses.
    void WriteString(const std::string& name, const std::string& value);

    // Deletes `path` with all its subkeys, depth first. Returns whether the
    // key itself was deleted; the open key is the same afterwards. A path
    // naming its base key itself ("" or "\\") is refused and deletes nothing.
    bool DeleteKey(const std::string& path);

private:
    // The key a path is taken from, and the path as the system is given it.
    struct Resolved {
        HKEY base;
        std::string subKey;
        bool relativeToCurrent;
    };
    Resolved Resolve(const std::string& path) const;
    // The path below the root of the key `target` names.
    std::string PathBelowRoot(const Resolved& target) const;
    void DeleteSubkeysOfCurrent();

    HKEY root_ = HKEY_CURRENT_USER;
    RegKey current_;
    std::string currentPath_;
};

} // namespace classlib
