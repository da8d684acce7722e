// The in-process server: module lock count, class factory, the exported entry
// points and the registry entries.
#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <new>
#include <string>

#include "automation/video_transform.h"

namespace vtx::automation {

namespace {

LONG g_lockCount = 0;

// Serialises registration and unregistration, which hosts may run from
// several threads at once. Created when the module is attached.
CRITICAL_SECTION g_registrationLock;

class ClassFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (object == nullptr) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
            *object = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    // The factory is a static object: references do not keep it alive, and
    // only LockServer holds the module.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
        return CVideoTransform::Create(outer, riid, object);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock) {
            LockModule();
        } else {
            UnlockModule();
        }
        return S_OK;
    }
};

ClassFactory g_factory;

}  // namespace

void LockModule() { InterlockedIncrement(&g_lockCount); }
void UnlockModule() { InterlockedDecrement(&g_lockCount); }
LONG ModuleLockCount() { return InterlockedCompareExchange(&g_lockCount, 0, 0); }

HMODULE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

namespace {

// Full path of this module, or an empty string (also when out of memory).
std::wstring ModulePath() {
    try {
        std::wstring path(MAX_PATH, L'\0');
        for (;;) {
            const DWORD n = GetModuleFileNameW(ThisModule(), &path[0], static_cast<DWORD>(path.size()));
            if (n == 0) return std::wstring();
            if (n < path.size()) {
                path.resize(n);
                return path;
            }
            if (path.size() >= 32768) return std::wstring();
            path.resize(path.size() * 2);
        }
    } catch (const std::bad_alloc&) {
        return std::wstring();
    }
}

}  // namespace

HRESULT LoadEmbeddedTypeLib(ITypeLib** lib) {
    *lib = nullptr;
    const std::wstring path = ModulePath();
    if (path.empty()) {
        const DWORD error = GetLastError();
        return error != 0 ? HRESULT_FROM_WIN32(error) : E_OUTOFMEMORY;
    }
    return LoadTypeLibEx(path.c_str(), REGKIND_NONE, lib);
}

// ---------------------------------------------------------------------------
// Registry entries.

namespace {

constexpr const wchar_t* kProgId = L"TavrixVideoTransform.VideoTransform.1";
constexpr const wchar_t* kVersionIndependentProgId = L"TavrixVideoTransform.VideoTransform";
constexpr const wchar_t* kObjectName = L"VideoTransform Object";
constexpr const wchar_t* kAppName = L"TavrixVideoTransform";
constexpr const wchar_t* kAppIdDllKey = L"AppID\\TavrixVideoTransform.DLL";

std::wstring GuidString(REFGUID guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

// The AppID is the type library's GUID.
std::wstring AppIdString() { return GuidString(LIBID_TavrixVideoTransform); }
std::wstring ClassKey() { return L"CLSID\\" + GuidString(CLSID_VideoTransform); }

LSTATUS SetString(HKEY key, const wchar_t* name, const std::wstring& value) {
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

// Creates HKCR\path (and its parents), sets its default value when given one
// and, when valueName is given, that named value.
LSTATUS WriteKey(const std::wstring& path, const wchar_t* defaultValue, const wchar_t* valueName = nullptr,
                 const std::wstring& value = std::wstring()) {
    HKEY key = nullptr;
    LSTATUS status = RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_WRITE, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) return status;
    if (defaultValue != nullptr) status = SetString(key, nullptr, defaultValue);
    if (status == ERROR_SUCCESS && valueName != nullptr) status = SetString(key, valueName, value);
    RegCloseKey(key);
    return status;
}

LSTATUS DeleteTree(const std::wstring& path) {
    const LSTATUS status = RegDeleteTreeW(HKEY_CLASSES_ROOT, path.c_str());
    if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) {
        const LSTATUS last = RegDeleteKeyW(HKEY_CLASSES_ROOT, path.c_str());
        return (last == ERROR_SUCCESS || last == ERROR_FILE_NOT_FOUND) ? ERROR_SUCCESS : last;
    }
    return status;
}

HRESULT WriteEntries() {
    const std::wstring module = ModulePath();
    if (module.empty()) return SELFREG_E_CLASS;
    const std::wstring appId = AppIdString();
    const std::wstring clsid = GuidString(CLSID_VideoTransform);
    const std::wstring classKey = ClassKey();
    const std::wstring progId = kProgId;
    const std::wstring independent = kVersionIndependentProgId;

    LSTATUS s = WriteKey(L"AppID\\" + appId, kAppName);
    if (s == ERROR_SUCCESS) s = WriteKey(kAppIdDllKey, nullptr, L"AppID", appId);

    if (s == ERROR_SUCCESS) s = WriteKey(progId, kObjectName);
    if (s == ERROR_SUCCESS) s = WriteKey(progId + L"\\CLSID", clsid.c_str());

    if (s == ERROR_SUCCESS) s = WriteKey(independent, kObjectName);
    if (s == ERROR_SUCCESS) s = WriteKey(independent + L"\\CLSID", clsid.c_str());
    if (s == ERROR_SUCCESS) s = WriteKey(independent + L"\\CurVer", kProgId);

    // The class key is replaced whole.
    if (s == ERROR_SUCCESS) s = DeleteTree(classKey);
    if (s == ERROR_SUCCESS) s = WriteKey(classKey, kObjectName, L"AppID", appId);
    if (s == ERROR_SUCCESS) s = WriteKey(classKey + L"\\ProgID", kProgId);
    if (s == ERROR_SUCCESS) s = WriteKey(classKey + L"\\VersionIndependentProgID", kVersionIndependentProgId);
    if (s == ERROR_SUCCESS) s = WriteKey(classKey + L"\\Programmable", nullptr);
    if (s == ERROR_SUCCESS) s = WriteKey(classKey + L"\\InprocServer32", module.c_str(), L"ThreadingModel", L"apartment");
    if (s == ERROR_SUCCESS) s = WriteKey(classKey + L"\\TypeLib", GuidString(LIBID_TavrixVideoTransform).c_str());
    if (s != ERROR_SUCCESS) return SELFREG_E_CLASS;

    ITypeLib* lib = nullptr;
    HRESULT hr = LoadTypeLibEx(module.c_str(), REGKIND_NONE, &lib);
    if (SUCCEEDED(hr)) {
        std::wstring fullPath = module;  // the function takes a writable string
        hr = RegisterTypeLib(lib, &fullPath[0], nullptr);
        lib->Release();
    }
    return SUCCEEDED(hr) ? S_OK : SELFREG_E_TYPELIB;
}

HRESULT RemoveEntries() {
    const std::wstring appId = AppIdString();
    bool ok = true;
    // The "AppID" and "CLSID" keys themselves stay.
    ok = DeleteTree(L"AppID\\" + appId) == ERROR_SUCCESS && ok;
    ok = DeleteTree(kAppIdDllKey) == ERROR_SUCCESS && ok;
    ok = DeleteTree(kProgId) == ERROR_SUCCESS && ok;
    ok = DeleteTree(kVersionIndependentProgId) == ERROR_SUCCESS && ok;
    ok = DeleteTree(ClassKey()) == ERROR_SUCCESS && ok;
    if (!ok) return SELFREG_E_CLASS;

    ITypeLib* lib = nullptr;
    HRESULT hr = LoadEmbeddedTypeLib(&lib);
    if (FAILED(hr)) return SELFREG_E_TYPELIB;
    TLIBATTR* attr = nullptr;
    hr = lib->GetLibAttr(&attr);
    if (SUCCEEDED(hr)) {
        // A library that is not registered is already where unregistration
        // leads.
        BSTR registered = nullptr;
        if (SUCCEEDED(QueryPathOfRegTypeLib(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid,
                                            &registered))) {
            SysFreeString(registered);
            hr = UnRegisterTypeLib(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid, attr->syskind);
        }
        lib->ReleaseTLibAttr(attr);
    }
    lib->Release();
    return SUCCEEDED(hr) ? S_OK : SELFREG_E_TYPELIB;
}

}  // namespace

}  // namespace vtx::automation

// ---------------------------------------------------------------------------
// Exported entry points.

using vtx::automation::g_factory;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        if (!InitializeCriticalSectionAndSpinCount(&vtx::automation::g_registrationLock, 0)) return FALSE;
    } else if (reason == DLL_PROCESS_DETACH) {
        DeleteCriticalSection(&vtx::automation::g_registrationLock);
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (!IsEqualCLSID(clsid, CLSID_VideoTransform)) return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(riid, object);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return vtx::automation::ModuleLockCount() == 0 ? S_OK : S_FALSE;
}

namespace {

// Runs a registration step under the lock; no exception leaves the module.
HRESULT Serialised(HRESULT (*step)()) {
    EnterCriticalSection(&vtx::automation::g_registrationLock);
    HRESULT hr;
    try {
        hr = step();
    } catch (const std::bad_alloc&) {
        hr = E_OUTOFMEMORY;
    }
    LeaveCriticalSection(&vtx::automation::g_registrationLock);
    return hr;
}

}  // namespace

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() { return Serialised(vtx::automation::WriteEntries); }

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() { return Serialised(vtx::automation::RemoveEntries); }
