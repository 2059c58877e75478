// The registry class and the registry component against Wine's real registry.
// Every test works below keys of its own, HKCU\Software\TolvaTest.<test> and
// HKLM\Software\TolvaTest.<test>, and prepares and inspects them with plain
// advapi32 calls, never through the code under test.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "classlib/Registry.h"
#include "components/AdvancedRegistry.h"

namespace {

using namespace std::string_literals;

// --- plain advapi32 access -------------------------------------------------

struct RawValue {
    DWORD type;
    std::string data;
};

bool RawKeyExists(HKEY root, const std::string& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

bool RawCreateKey(HKEY root, const std::string& path, DWORD options = REG_OPTION_NON_VOLATILE)
{
    HKEY key = nullptr;
    const LONG result = RegCreateKeyExA(root, path.c_str(), 0, nullptr, options, KEY_ALL_ACCESS,
                                        nullptr, &key, nullptr);
    if (result != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

bool RawSetValue(HKEY root, const std::string& path, const std::string& name, DWORD type,
                 const std::string& data)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr)
        != ERROR_SUCCESS)
        return false;
    const LONG result = RegSetValueExA(key, name.c_str(), 0, type,
                                       reinterpret_cast<const BYTE*>(data.data()),
                                       static_cast<DWORD>(data.size()));
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

std::optional<RawValue> RawQueryValue(HKEY root, const std::string& path, const std::string& name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    std::optional<RawValue> value;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        std::string data(size, '\0');
        if (RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                             &size) == ERROR_SUCCESS)
            value = RawValue{type, data.substr(0, size)};
    }
    RegCloseKey(key);
    return value;
}

// How many subkeys and values a key has (0 and 0 when it cannot be opened).
struct RawCounts {
    DWORD subkeys = 0;
    DWORD values = 0;
};

RawCounts RawKeyCounts(HKEY root, const std::string& path)
{
    RawCounts counts;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return counts;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &counts.subkeys, nullptr, nullptr, &counts.values, nullptr,
                     nullptr, nullptr, nullptr);
    RegCloseKey(key);
    return counts;
}

// Whether `key` is still an open handle.
bool HandleIsOpen(HKEY key)
{
    return RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

void RawDeleteTree(HKEY root, const std::string& path)
{
    RegDeleteTreeA(root, path.c_str());
    RegDeleteKeyA(root, path.c_str());
}

// --- fixtures ----------------------------------------------------------------

// This test's own keys below HKCU and HKLM, deleted before and after it.
// They share no parent: tests run in parallel, and a parent deleted by one
// test's clean-up fails another test's creation below it (ERROR_KEY_DELETED).
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "." + info->name();
        for (char& c : name)
            if (c == '/' || c == '\\') c = '_';
        scratch_ = "Software\\TolvaTest." + name;
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) RawDeleteTree(root, scratch_);
    }

    void TearDown() override
    {
        if (scratchRoot_) RegCloseKey(scratchRoot_);
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) RawDeleteTree(root, scratch_);
    }

    // The scratch key below the root, without and with the leading backslash
    // the component's area is written with.
    const std::string& Scratch() const { return scratch_; }
    std::string Area() const { return "\\" + scratch_; }

    // HKCU\<scratch> as an open handle, for tests that use it as a root key:
    // then even a path naming the root itself reaches only this test's keys.
    HKEY ScratchRoot()
    {
        if (!scratchRoot_) {
            EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, scratch_.c_str(), 0, nullptr, 0,
                                      KEY_ALL_ACCESS, nullptr, &scratchRoot_, nullptr),
                      ERROR_SUCCESS);
        }
        return scratchRoot_;
    }

private:
    std::string scratch_;
    HKEY scratchRoot_ = nullptr;
};

// A component on one key that counts its OnError calls and checks their sender.
struct ObservedRegistry {
    TAdvancedRegistry component;
    int errors = 0;

    ObservedRegistry(TRegistryKey root, const std::string& area, const std::string& section)
    {
        component.SetRegistryRootKey(root);
        component.SetRegistryArea(area);
        component.SetRegistrySection(section);
        component.OnError = [this](classlib::Object* sender) {
            EXPECT_EQ(sender, &component);
            ++errors;
        };
    }
};

// --- root key ----------------------------------------------------------------

TEST(AdvancedRegistryRootKey, EachOrdinalSelectsItsRootKey)
{
    struct Case {
        TRegistryKey key;
        HKEY root;
    };
    // Walked from the last row up, so that every row changes the root the
    // previous one set (the registry object starts on HKEY_CURRENT_USER).
    const std::vector<Case> cases = {
        {hkCLASSES_ROOT, HKEY_CLASSES_ROOT},         {hkCURRENT_USER, HKEY_CURRENT_USER},
        {hkLOCAL_MACHINE, HKEY_LOCAL_MACHINE},       {hkUSERS, HKEY_USERS},
        {hkPERFORMANCE_DATA, HKEY_PERFORMANCE_DATA}, {hkCURRENT_CONFIG, HKEY_CURRENT_CONFIG},
        {hkDYN_DATA, HKEY_DYN_DATA},
    };
    TAdvancedRegistry registry;
    for (auto row = cases.rbegin(); row != cases.rend(); ++row) {
        registry.SetRegistryRootKey(row->key);
        EXPECT_EQ(registry.RegistryRootKey(), row->key);
        EXPECT_EQ(registry.RegistryObject().RootKey(), row->root) << "ordinal " << int(row->key);
    }
}

TEST(AdvancedRegistryRootKey, OrdinalAboveSixIsOnlyStored)
{
    for (const int ordinal : {7, 8, 255}) {
        TAdvancedRegistry registry;
        registry.SetRegistryRootKey(hkLOCAL_MACHINE);
        ASSERT_TRUE(registry.RegistryObject().OpenKey("\\Software", false));
        const HKEY open = registry.RegistryObject().CurrentKey();

        registry.SetRegistryRootKey(static_cast<TRegistryKey>(ordinal));

        EXPECT_EQ(int(registry.RegistryRootKey()), ordinal);
        EXPECT_EQ(registry.RegistryObject().RootKey(), HKEY_LOCAL_MACHINE) << "ordinal " << ordinal;
        EXPECT_EQ(registry.RegistryObject().CurrentKey(), open) << "ordinal " << ordinal;
    }
}

TEST_F(RegistryTest, NewComponentWorksOnCurrentUserWhileItsPropertyReadsClassesRoot)
{
    TAdvancedRegistry registry;
    EXPECT_EQ(registry.RegistryRootKey(), hkCLASSES_ROOT);
    EXPECT_EQ(registry.RegistryArea(), "");
    EXPECT_EQ(registry.RegistrySection(), "");
    EXPECT_EQ(registry.RegistryObject().RootKey(), HKEY_CURRENT_USER);
    EXPECT_EQ(registry.RegistryObject().CurrentKey(), nullptr);

    registry.SetRegistryArea(Area());
    registry.SetRegistrySection("Tolva");
    registry.WriteRegistryString("InstallDir", "C:\\TOLVA\\");

    const auto stored = RawQueryValue(HKEY_CURRENT_USER, Scratch() + "\\Tolva", "InstallDir");
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->data, "C:\\TOLVA\\"s + '\0');
}

// --- reading -----------------------------------------------------------------

struct ReadCase {
    const char* label;
    bool present;      // whether the value "InstallDir" is stored at all
    DWORD type;
    std::string data;  // stored bytes
    std::string expected;
    int errors;
};

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.label; }

class ReadTest : public RegistryTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(ReadTest, ReadsStringValuesAndReportsOtherTypes)
{
    const ReadCase& c = GetParam();
    const std::string key = Scratch() + "\\Tolva";
    // A neighbour, so that reading some other value than the one named shows.
    ASSERT_TRUE(RawSetValue(HKEY_LOCAL_MACHINE, key, "Other", REG_SZ, "decoy"s + '\0'));
    if (c.present) {
        ASSERT_TRUE(RawSetValue(HKEY_LOCAL_MACHINE, key, "InstallDir", c.type, c.data));
    }

    ObservedRegistry registry(hkLOCAL_MACHINE, Area(), "Tolva");
    EXPECT_EQ(registry.component.ReadRegistryString("InstallDir"), c.expected);
    EXPECT_EQ(registry.errors, c.errors);
    EXPECT_EQ(registry.component.RegistryObject().CurrentKey(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ReadTest,
    ::testing::Values(
        ReadCase{"String", true, REG_SZ, "C:\\Program Files\\TOLVA\\"s + '\0',
                 "C:\\Program Files\\TOLVA\\", 0},
        ReadCase{"ExpandStringStaysUnexpanded", true, REG_EXPAND_SZ, "%SystemRoot%\\TOLVA"s + '\0',
                 "%SystemRoot%\\TOLVA", 0},
        ReadCase{"CutAtFirstZero", true, REG_SZ, "abc\0def\0"s, "abc", 0},
        ReadCase{"WithoutClosingZero", true, REG_SZ, "abc", "abc", 0},
        ReadCase{"OnlyAZero", true, REG_SZ, "\0"s, "", 0},
        ReadCase{"EmptyData", true, REG_SZ, "", "", 0},
        ReadCase{"EmptyBinaryCountsAsEmpty", true, REG_BINARY, "", "", 0},
        ReadCase{"MissingValue", false, REG_NONE, "", "", 0},
        ReadCase{"Dword", true, REG_DWORD, "\x2a\0\0\0"s, "", 1},
        ReadCase{"Binary", true, REG_BINARY, "ab", "", 1},
        ReadCase{"MultiString", true, REG_MULTI_SZ, "a\0b\0\0"s, "", 1}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(RegistryTest, ReadOfMissingKeyReportsOnce)
{
    struct Case {
        const char* label;
        bool areaExists;
    };
    for (const Case& c : {Case{"area missing", false}, Case{"section missing", true}}) {
        RawDeleteTree(HKEY_CURRENT_USER, Scratch());
        // The area holding the value itself must not stand in for the missing section.
        if (c.areaExists) {
            ASSERT_TRUE(RawSetValue(HKEY_CURRENT_USER, Scratch(), "InstallDir", REG_SZ, "area"s + '\0'));
        }

        ObservedRegistry registry(hkCURRENT_USER, Area(), "Tolva");
        EXPECT_EQ(registry.component.ReadRegistryString("InstallDir"), "") << c.label;
        EXPECT_EQ(registry.errors, 1) << c.label;
        EXPECT_EQ(registry.component.RegistryObject().CurrentKey(), nullptr) << c.label;
    }
}

TEST_F(RegistryTest, ReadFailuresPassSilentlyWithoutHandler)
{
    ASSERT_TRUE(RawSetValue(HKEY_CURRENT_USER, Scratch() + "\\Tolva", "Count", REG_DWORD, "\1\0\0\0"s));
    struct Case {
        const char* section;
        const char* name;
    };
    for (const Case& c : {Case{"Missing", "Count"}, Case{"Tolva", "Count"}}) {
        TAdvancedRegistry registry;
        registry.SetRegistryRootKey(hkCURRENT_USER);
        registry.SetRegistryArea(Area());
        registry.SetRegistrySection(c.section);
        std::string result = "unchanged";
        EXPECT_NO_THROW(result = registry.ReadRegistryString(c.name)) << c.section;
        EXPECT_EQ(result, "") << c.section;
    }
}

// --- writing -----------------------------------------------------------------

struct WriteCase {
    const char* label;
    TRegistryKey root;
    std::string value;
};

void PrintTo(const WriteCase& c, std::ostream* os) { *os << c.label; }

class WriteTest : public RegistryTest, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(WriteTest, CreatesMissingKeysAndStoresTextWithOneZero)
{
    const WriteCase& c = GetParam();
    const HKEY root = c.root == hkLOCAL_MACHINE ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    const HKEY otherRoot = c.root == hkLOCAL_MACHINE ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    // Three keys above the section are missing as well.
    const std::string area = Area() + "\\Deep\\Er";
    const std::string key = Scratch() + "\\Deep\\Er\\Tolva";

    ObservedRegistry registry(c.root, area, "Tolva");
    registry.component.WriteRegistryString("InstallDir", c.value);

    const auto stored = RawQueryValue(root, key, "InstallDir");
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->type, DWORD(REG_SZ));
    EXPECT_EQ(stored->data.size(), c.value.size() + 1);
    EXPECT_EQ(stored->data, c.value + '\0');
    EXPECT_EQ(RawKeyCounts(root, key).values, 1u);
    EXPECT_FALSE(RawKeyExists(otherRoot, Scratch()));
    EXPECT_EQ(registry.errors, 0);
    EXPECT_EQ(registry.component.RegistryObject().CurrentKey(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Values, WriteTest,
    ::testing::Values(WriteCase{"Folder", hkLOCAL_MACHINE, "C:\\Program Files\\TOLVA\\"},
                      WriteCase{"EmptyText", hkLOCAL_MACHINE, ""},
                      WriteCase{"CurrentUser", hkCURRENT_USER, "\"C:\\TOLVA\\setup.exe\" /UNINSTALL"},
                      WriteCase{"LongText", hkCURRENT_USER, std::string(5000, 'x')}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(RegistryTest, AreaSoftwareAndSectionTolvaNameTheKeyDirectlyBelowTheRoot)
{
    // A root of this test's own stands in for HKEY_LOCAL_MACHINE, so that the
    // real Software\TOLVA of the prefix is not touched.
    ObservedRegistry writer(hkCURRENT_USER, "\\Software", "TOLVA");
    writer.component.RegistryObject().SetRootKey(ScratchRoot());
    writer.component.WriteRegistryString("InstallDir", "C:\\TOLVA\\");

    const auto stored = RawQueryValue(HKEY_CURRENT_USER, Scratch() + "\\Software\\TOLVA", "InstallDir");
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->data, "C:\\TOLVA\\"s + '\0');
    EXPECT_EQ(RawKeyCounts(HKEY_CURRENT_USER, Scratch()).subkeys, 1u);
    EXPECT_EQ(RawKeyCounts(HKEY_CURRENT_USER, Scratch() + "\\Software").subkeys, 1u);
    EXPECT_EQ(RawKeyCounts(HKEY_CURRENT_USER, Scratch() + "\\Software").values, 0u);

    ObservedRegistry reader(hkCURRENT_USER, "\\Software", "TOLVA");
    reader.component.RegistryObject().SetRootKey(ScratchRoot());
    EXPECT_EQ(reader.component.ReadRegistryString("InstallDir"), "C:\\TOLVA\\");
    EXPECT_EQ(writer.errors + reader.errors, 0);
}

// Where Wine 8's RegCreateKeyExA refuses a key; each row checks its cause
// with a plain call as well, so that a row cannot pass for another reason.
struct CreateFailureCase {
    const char* label;
    enum Root { CurrentUser, ScratchRoot, PerformanceData } root;
    bool volatileArea;     // the area is created volatile beforehand
    std::string areaTail;  // below the scratch key
    std::string section;
    LONG systemError;      // what RegCreateKeyExA returns for the path
};

void PrintTo(const CreateFailureCase& c, std::ostream* os) { *os << c.label; }

class CreateFailureTest : public RegistryTest, public ::testing::WithParamInterface<CreateFailureCase> {};

TEST_P(CreateFailureTest, WriteReportsAndWritesNothing)
{
    const CreateFailureCase& c = GetParam();
    if (c.volatileArea) {
        ASSERT_TRUE(RawCreateKey(HKEY_CURRENT_USER, Scratch() + c.areaTail, REG_OPTION_VOLATILE));
    }

    const bool performanceData = c.root == CreateFailureCase::PerformanceData;
    ObservedRegistry registry(performanceData ? hkPERFORMANCE_DATA : hkCURRENT_USER,
                              Area() + c.areaTail, c.section);
    HKEY base = performanceData ? HKEY_PERFORMANCE_DATA : HKEY_CURRENT_USER;
    std::string path = Scratch() + c.areaTail + "\\" + c.section;
    if (c.root == CreateFailureCase::ScratchRoot) {
        registry.component.RegistryObject().SetRootKey(ScratchRoot());
        registry.component.SetRegistryArea(c.areaTail);
        base = ScratchRoot();
        path = c.areaTail.substr(1) + "\\" + c.section;
    }

    EXPECT_NO_THROW(registry.component.WriteRegistryString("InstallDir", "C:\\TOLVA\\"));
    EXPECT_EQ(registry.errors, 1);
    EXPECT_EQ(registry.component.RegistryObject().CurrentKey(), nullptr);
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, Scratch() + c.areaTail + "\\" + c.section));
    EXPECT_FALSE(RawQueryValue(HKEY_CURRENT_USER, Scratch() + c.areaTail, "InstallDir").has_value());

    HKEY created = nullptr;
    EXPECT_EQ(RegCreateKeyExA(base, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created,
                              nullptr),
              c.systemError);
    if (created) RegCloseKey(created);
}

std::string ShortNames(int count)
{
    std::string path;
    for (int i = 0; i < count; ++i) path += "\\abcdefghijklmnopqrst";
    return path;
}

INSTANTIATE_TEST_SUITE_P(
    Causes, CreateFailureTest,
    ::testing::Values(
        // The ANSI path overflows the MAX_PATH + 1 characters it is converted into;
        // no key on it is created.
        CreateFailureCase{"PathAbove260Characters", CreateFailureCase::CurrentUser, false,
                          ShortNames(12), "Tolva", ERROR_MORE_DATA},
        // One name above 256 characters, in a path short enough to convert.
        CreateFailureCase{"NameAbove256Characters", CreateFailureCase::ScratchRoot, false, "\\A",
                          std::string(257, 'n'), ERROR_INVALID_PARAMETER},
        CreateFailureCase{"BelowVolatileKey", CreateFailureCase::CurrentUser, true, "\\Volatile",
                          "Tolva", ERROR_CHILD_MUST_BE_VOLATILE},
        CreateFailureCase{"PerformanceDataRoot", CreateFailureCase::PerformanceData, false, "",
                          "Tolva", ERROR_INVALID_HANDLE}),
    [](const auto& info) { return std::string(info.param.label); });

// Wine 8's RegSetValueExA refuses a value name above 16383 characters with
// ERROR_INVALID_PARAMETER (checked with plain calls); the key opens first.
const std::string RefusedValueName(16384, 'v');

TEST_F(RegistryTest, RefusedValueRaisesAndLeavesItsKeyOpen)
{
    ObservedRegistry registry(hkCURRENT_USER, Area(), "Tolva");
    try {
        registry.component.WriteRegistryString(RefusedValueName, "C:\\TOLVA\\");
        ADD_FAILURE() << "no exception";
    } catch (const classlib::RegistryException& e) {
        EXPECT_EQ(std::string(e.what()), "Failed to set data for '" + RefusedValueName + "'");
    }
    EXPECT_EQ(registry.errors, 0);
    EXPECT_TRUE(RawKeyExists(HKEY_CURRENT_USER, Scratch() + "\\Tolva"));
    EXPECT_EQ(RawKeyCounts(HKEY_CURRENT_USER, Scratch() + "\\Tolva").values, 0u);

    const classlib::Registry& object = registry.component.RegistryObject();
    EXPECT_EQ(object.CurrentPath(), Scratch() + "\\Tolva");
    // The handle still open is that key: a value set through it shows there.
    ASSERT_NE(object.CurrentKey(), nullptr);
    ASSERT_EQ(RegSetValueExA(object.CurrentKey(), "Probe", 0, REG_SZ,
                             reinterpret_cast<const BYTE*>("1"), 2),
              ERROR_SUCCESS);
    EXPECT_TRUE(RawQueryValue(HKEY_CURRENT_USER, Scratch() + "\\Tolva", "Probe").has_value());
    // And the refusal is the system's for that name, not one of the write's own.
    EXPECT_EQ(RegSetValueExA(object.CurrentKey(), RefusedValueName.c_str(), 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(""), 1),
              ERROR_INVALID_PARAMETER);
}

struct LeftOpenCase {
    const char* label;
    void (*act)(TAdvancedRegistry&);
    bool closes;
};

void PrintTo(const LeftOpenCase& c, std::ostream* os) { *os << c.label; }

class LeftOpenKeyTest : public RegistryTest, public ::testing::WithParamInterface<LeftOpenCase> {};

TEST_P(LeftOpenKeyTest, StaysOpenUntilRootChangesOrNextOperation)
{
    const LeftOpenCase& c = GetParam();
    ObservedRegistry registry(hkCURRENT_USER, Area(), "Tolva");
    EXPECT_THROW(registry.component.WriteRegistryString(RefusedValueName, ""),
                 classlib::RegistryException);
    const HKEY leftOpen = registry.component.RegistryObject().CurrentKey();
    ASSERT_NE(leftOpen, nullptr);

    c.act(registry.component);

    if (c.closes) {
        EXPECT_EQ(registry.component.RegistryObject().CurrentKey(), nullptr);
        EXPECT_EQ(registry.component.RegistryObject().CurrentPath(), "");
        EXPECT_FALSE(HandleIsOpen(leftOpen));
    } else {
        EXPECT_EQ(registry.component.RegistryObject().CurrentKey(), leftOpen);
        EXPECT_TRUE(HandleIsOpen(leftOpen));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Actions, LeftOpenKeyTest,
    ::testing::Values(
        LeftOpenCase{"OtherRoot", [](TAdvancedRegistry& r) { r.SetRegistryRootKey(hkLOCAL_MACHINE); },
                     true},
        LeftOpenCase{"SameRoot", [](TAdvancedRegistry& r) { r.SetRegistryRootKey(hkCURRENT_USER); },
                     false},
        LeftOpenCase{"OrdinalAboveSix",
                     [](TAdvancedRegistry& r) { r.SetRegistryRootKey(static_cast<TRegistryKey>(7)); },
                     false},
        LeftOpenCase{"NextRead", [](TAdvancedRegistry& r) { r.ReadRegistryString("InstallDir"); },
                     true}),
    [](const auto& info) { return std::string(info.param.label); });

// --- deleting ----------------------------------------------------------------

TEST_F(RegistryTest, DeleteRemovesWholeTree)
{
    const std::string tree = Scratch() + "\\Tolva";
    // Enough siblings on one level that deleting while counting upwards would skip some.
    for (const char* path : {"\\A\\A1\\A1a", "\\A\\A1\\A1b", "\\A\\A2", "\\B", "\\C", "\\D", "\\E",
                             "\\F\\F1", "\\G"})
        ASSERT_TRUE(RawSetValue(HKEY_LOCAL_MACHINE, tree + path, "Value", REG_SZ, "x"s + '\0'));
    ASSERT_TRUE(RawSetValue(HKEY_LOCAL_MACHINE, tree, "DisplayName", REG_SZ, "TOLVA"s + '\0'));
    ASSERT_TRUE(RawSetValue(HKEY_LOCAL_MACHINE, Scratch() + "\\Tolva2", "Keep", REG_SZ, "y"s + '\0'));

    ObservedRegistry registry(hkLOCAL_MACHINE, Area(), "Tolva");
    registry.component.DeleteRegistryKey(Area() + "\\Tolva");

    EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, tree));
    EXPECT_TRUE(RawQueryValue(HKEY_LOCAL_MACHINE, Scratch() + "\\Tolva2", "Keep").has_value());
    EXPECT_EQ(RawKeyCounts(HKEY_LOCAL_MACHINE, Scratch()).subkeys, 1u);
    EXPECT_EQ(registry.errors, 0);
    EXPECT_EQ(registry.component.RegistryObject().CurrentKey(), nullptr);
}

TEST_F(RegistryTest, DeleteOfMissingKeyReportsOnce)
{
    ASSERT_TRUE(RawCreateKey(HKEY_LOCAL_MACHINE, Scratch()));
    for (const char* tail : {"\\Tolva", "\\No\\Such\\Key"}) {
        ObservedRegistry registry(hkLOCAL_MACHINE, Area(), "Tolva");
        registry.component.DeleteRegistryKey(Area() + tail);
        EXPECT_EQ(registry.errors, 1) << tail;
        EXPECT_TRUE(RawKeyExists(HKEY_LOCAL_MACHINE, Scratch())) << tail;
    }
}

TEST_F(RegistryTest, DeleteOfTheRootItselfDeletesNothing)
{
    ASSERT_TRUE(RawSetValue(HKEY_CURRENT_USER, Scratch() + "\\Child\\Grandchild", "V", REG_SZ, "x"s + '\0'));
    for (const char* path : {"\\", ""}) {
        ObservedRegistry registry(hkCURRENT_USER, "", "");
        registry.component.RegistryObject().SetRootKey(ScratchRoot());
        registry.component.DeleteRegistryKey(path);
        EXPECT_EQ(registry.errors, 1) << '"' << path << '"';
        EXPECT_TRUE(RawKeyExists(HKEY_CURRENT_USER, Scratch() + "\\Child\\Grandchild"))
            << '"' << path << '"';
    }
}

// --- the registry object's own rules -------------------------------------------

TEST_F(RegistryTest, OpenKeyResolvesPathsFromRootOrOpenKey)
{
    struct Step {
        const char* path;
        bool canCreate;
        bool opens;
        const char* currentPath;  // afterwards
        const char* existing;     // a key below the scratch root that must exist afterwards
    };
    const std::vector<Step> steps = {
        {"A", true, true, "A", "A"},              // nothing open: from the root
        {"B", true, true, "A\\B", "A\\B"},        // relative to the open key
        {"\\C", true, true, "C", "C"},            // a backslash: from the root again
        {"\\A\\B", false, true, "A\\B", "A\\B"},
        {"\\Missing", false, false, "A\\B", ""},  // a failed open keeps the open key
        {"Missing", false, false, "A\\B", ""},
        {"", false, true, "A\\B", ""},            // the open key once more
    };
    ASSERT_TRUE(RawCreateKey(HKEY_CURRENT_USER, Scratch()));
    classlib::Registry registry;
    registry.SetRootKey(ScratchRoot());
    for (const Step& step : steps) {
        const HKEY before = registry.CurrentKey();
        EXPECT_EQ(registry.OpenKey(step.path, step.canCreate), step.opens) << step.path;
        EXPECT_EQ(registry.CurrentPath(), step.currentPath) << step.path;
        if (!step.opens) {
            EXPECT_EQ(registry.CurrentKey(), before) << step.path;
        }
        if (*step.existing) {
            EXPECT_TRUE(RawKeyExists(ScratchRoot(), step.existing)) << step.path;
        }
    }
    EXPECT_FALSE(RawKeyExists(ScratchRoot(), "B"));
    EXPECT_FALSE(RawKeyExists(ScratchRoot(), "A\\C"));
    EXPECT_FALSE(RawKeyExists(ScratchRoot(), "Missing"));

    // The open key is the one its path names: a value set through it shows there.
    ASSERT_EQ(RegSetValueExA(registry.CurrentKey(), "Here", 0, REG_SZ,
                             reinterpret_cast<const BYTE*>("1"), 2),
              ERROR_SUCCESS);
    EXPECT_TRUE(RawQueryValue(ScratchRoot(), "A\\B", "Here").has_value());
}

TEST_F(RegistryTest, KeyExistsLeavesTheOpenKey)
{
    ASSERT_TRUE(RawCreateKey(HKEY_CURRENT_USER, Scratch() + "\\A\\B"));
    classlib::Registry registry;
    registry.SetRootKey(ScratchRoot());
    ASSERT_TRUE(registry.OpenKey("A", false));
    const HKEY open = registry.CurrentKey();

    EXPECT_TRUE(registry.KeyExists("B"));      // relative to A
    EXPECT_FALSE(registry.KeyExists("\\B"));   // from the root
    EXPECT_TRUE(registry.KeyExists("\\A\\B"));
    EXPECT_EQ(registry.CurrentKey(), open);
    EXPECT_EQ(registry.CurrentPath(), "A");
}

TEST_F(RegistryTest, ReadStringNamesTheValueInItsException)
{
    struct Case {
        DWORD type;
        std::string data;
    };
    ASSERT_TRUE(RawCreateKey(HKEY_CURRENT_USER, Scratch()));
    classlib::Registry registry;
    registry.SetRootKey(ScratchRoot());
    ASSERT_TRUE(registry.OpenKey("", false));
    for (const Case& c : {Case{REG_DWORD, "\1\0\0\0"s}, Case{REG_BINARY, "\1"}, Case{REG_QWORD, "12345678"}}) {
        ASSERT_TRUE(RawSetValue(ScratchRoot(), "", "Count", c.type, c.data));
        try {
            registry.ReadString("Count");
            ADD_FAILURE() << "no exception for type " << c.type;
        } catch (const classlib::RegistryException& e) {
            EXPECT_EQ(std::string(e.what()), "Invalid data type for 'Count'") << "type " << c.type;
        }
    }
}

TEST_F(RegistryTest, DeleteKeyKeepsTheOpenKeyAndResolvesFromIt)
{
    for (const char* path : {"Open\\Sub\\Deeper", "Sub", "Tree\\Branch"})
        ASSERT_TRUE(RawCreateKey(HKEY_CURRENT_USER, Scratch() + "\\" + path));
    classlib::Registry registry;
    registry.SetRootKey(ScratchRoot());
    ASSERT_TRUE(registry.OpenKey("Open", false));
    const HKEY open = registry.CurrentKey();

    EXPECT_TRUE(registry.DeleteKey("\\Tree"));
    EXPECT_TRUE(registry.DeleteKey("Sub"));  // Open\Sub, not the root's Sub
    EXPECT_FALSE(registry.DeleteKey(""));    // never the open key's own tree

    EXPECT_FALSE(RawKeyExists(ScratchRoot(), "Tree"));
    EXPECT_FALSE(RawKeyExists(ScratchRoot(), "Open\\Sub"));
    EXPECT_TRUE(RawKeyExists(ScratchRoot(), "Sub"));
    EXPECT_EQ(registry.CurrentKey(), open);
    EXPECT_EQ(registry.CurrentPath(), "Open");
    EXPECT_TRUE(HandleIsOpen(open));
}

} // namespace
