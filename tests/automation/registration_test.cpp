// Registry entries written by regsvr32 (DllRegisterServer) and removed by
// regsvr32 /u (DllUnregisterServer), checked key by key.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "com_test_support.h"

namespace vtxtest {
namespace {

const wchar_t kClsid[] = L"{9E9AE8FF-C365-45D8-92BC-680B48A72A76}";
const wchar_t kLibid[] = L"{26A20AA7-8D7B-4B10-B38E-9AF05E290231}";

bool KeyExists(const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// The string value `name` (null: the default value) of HKCR\path, or
// "<missing>".
std::wstring ReadString(const std::wstring& path, const wchar_t* name = nullptr) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return L"<no key>";
    wchar_t buffer[1024] = {};
    DWORD size = sizeof(buffer) - sizeof(wchar_t);
    DWORD type = 0;
    const LSTATUS s = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (s != ERROR_SUCCESS) return L"<missing>";
    if (type != REG_SZ) return L"<not REG_SZ>";
    return buffer;
}

// Number of values and subkeys of HKCR\path; false when it does not exist.
bool CountEntries(const std::wstring& path, DWORD* values, DWORD* subkeys) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    const LSTATUS s =
        RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, subkeys, nullptr, nullptr, values, nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(key);
    return s == ERROR_SUCCESS;
}

std::wstring Lower(std::wstring s) {
    for (wchar_t& c : s) c = static_cast<wchar_t>(towlower(c));
    return s;
}

std::string Narrow(const std::wstring& s) { return std::string(s.begin(), s.end()); }

const std::wstring kClassKey = std::wstring(L"CLSID\\") + kClsid;

// Every entry DllRegisterServer writes, and the number of entries in the
// keys it fills.
void ExpectEntries() {
    const std::wstring clsid = kClsid, libid = kLibid, prog = L"TavrixVideoTransform.VideoTransform";
    struct Entry {
        std::wstring key;
        const wchar_t* value;  // null: the default value
        std::wstring expected;
    };
    const Entry entries[] = {
        {L"AppID\\" + libid, nullptr, L"TavrixVideoTransform"},
        {L"AppID\\TavrixVideoTransform.DLL", L"AppID", libid},
        {L"AppID\\TavrixVideoTransform.DLL", nullptr, L"<missing>"},
        {prog + L".1", nullptr, L"VideoTransform Object"},
        {prog + L".1\\CLSID", nullptr, clsid},
        {prog, nullptr, L"VideoTransform Object"},
        {prog + L"\\CLSID", nullptr, clsid},
        {prog + L"\\CurVer", nullptr, prog + L".1"},
        {kClassKey, nullptr, L"VideoTransform Object"},
        {kClassKey, L"AppID", libid},
        {kClassKey + L"\\ProgID", nullptr, prog + L".1"},
        {kClassKey + L"\\VersionIndependentProgID", nullptr, prog},
        {kClassKey + L"\\InprocServer32", L"ThreadingModel", L"apartment"},
        {kClassKey + L"\\TypeLib", nullptr, libid},
    };
    for (const Entry& e : entries) {
        EXPECT_EQ(Narrow(ReadString(e.key, e.value)), Narrow(e.expected)) << Narrow(e.key);
    }
    EXPECT_EQ(Narrow(Lower(ReadString(kClassKey + L"\\InprocServer32"))), Narrow(Lower(DllPath())));
    // (values, subkeys) of the keys whose contents are complete above.
    const std::pair<std::wstring, std::pair<DWORD, DWORD>> counts[] = {
        {L"AppID\\TavrixVideoTransform.DLL", {1, 0}},
        {kClassKey + L"\\Programmable", {0, 0}},
        {kClassKey, {2, 5}},  // default value and AppID
    };
    for (const auto& [key, expected] : counts) {
        DWORD values = 99, subkeys = 99;
        ASSERT_TRUE(CountEntries(key, &values, &subkeys)) << Narrow(key);
        EXPECT_EQ(values, expected.first) << Narrow(key);
        EXPECT_EQ(subkeys, expected.second) << Narrow(key);
    }
}

TEST(Registration, Entries) { ExpectEntries(); }

TEST(Registration, ProgIdsResolveToTheClass) {
    CLSID clsid;
    ASSERT_EQ(CLSIDFromProgID(L"TavrixVideoTransform.VideoTransform", &clsid), S_OK);
    EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_VideoTransform));
    ASSERT_EQ(CLSIDFromProgID(L"TavrixVideoTransform.VideoTransform.1", &clsid), S_OK);
    EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_VideoTransform));
}

TEST(Registration, TypeLibraryRegistered) {
    BSTR path = nullptr;
    ASSERT_EQ(QueryPathOfRegTypeLib(LIBID_TavrixVideoTransform, 1, 0, LOCALE_NEUTRAL, &path), S_OK);
    EXPECT_EQ(Narrow(Lower(path)), Narrow(Lower(DllPath())));
    SysFreeString(path);
    Ptr<ITypeLib> lib;
    ASSERT_EQ(LoadRegTypeLib(LIBID_TavrixVideoTransform, 1, 0, LOCALE_NEUTRAL, lib.Out()), S_OK);
    BSTR doc = nullptr;
    ASSERT_EQ(lib->GetDocumentation(-1, nullptr, &doc, nullptr, nullptr), S_OK);
    EXPECT_EQ(Narrow(doc), "TavrixVideoTransform 1.0 Type Library");
    SysFreeString(doc);
}

// Registering again replaces the class key whole and leaves every entry as
// the first registration wrote it.
TEST(Registration, RegisteringAgainReplacesTheClassKey) {
    HKEY stale = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, (kClassKey + L"\\Stale").c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                              &stale, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(stale);
    ASSERT_TRUE(KeyExists(kClassKey + L"\\Stale"));
    HMODULE module = LoadLibraryW(DllPath().c_str());
    ASSERT_NE(module, nullptr);
    using Fn = HRESULT(STDAPICALLTYPE*)();
    auto reg = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, "DllRegisterServer")));
    ASSERT_NE(reg, nullptr);
    EXPECT_EQ(reg(), S_OK);
    FreeLibrary(module);
    EXPECT_FALSE(KeyExists(kClassKey + L"\\Stale"));
    ExpectEntries();
}

TEST(Unregistered, EveryEntryRemoved) {
    EXPECT_FALSE(KeyExists(std::wstring(L"AppID\\") + kLibid));
    EXPECT_FALSE(KeyExists(L"AppID\\TavrixVideoTransform.DLL"));
    EXPECT_FALSE(KeyExists(L"TavrixVideoTransform.VideoTransform.1"));
    EXPECT_FALSE(KeyExists(L"TavrixVideoTransform.VideoTransform"));
    EXPECT_FALSE(KeyExists(kClassKey));
    EXPECT_FALSE(KeyExists(std::wstring(L"TypeLib\\") + kLibid));
    // The parent keys stay.
    EXPECT_TRUE(KeyExists(L"AppID"));
    EXPECT_TRUE(KeyExists(L"CLSID"));
    CLSID clsid;
    EXPECT_NE(CLSIDFromProgID(L"TavrixVideoTransform.VideoTransform", &clsid), S_OK);
    Ptr<ITypeLib> lib;
    EXPECT_NE(LoadRegTypeLib(LIBID_TavrixVideoTransform, 1, 0, LOCALE_NEUTRAL, lib.Out()), S_OK);
    IVideoTransform* object = nullptr;
    EXPECT_EQ(CreateObject(&object), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);
}

}  // namespace
}  // namespace vtxtest

namespace vtxtest {
namespace {

TEST(Module, VersionInformation) {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(DllPath().c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(DllPath().c_str(), 0, size, block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
    wchar_t* name = nullptr;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\StringFileInfo\\040904B0\\OriginalFilename",
                               reinterpret_cast<void**>(&name), &length));
    EXPECT_EQ(std::wstring(name), L"TavrixVideoTransform.dll");
}

}  // namespace
}  // namespace vtxtest
