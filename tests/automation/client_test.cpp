// COM client tests of TavrixVideoTransform.dll, run under Wine by
// run-wine-tests.sh after regsvr32 (all but the Unregistered suite) and after
// regsvr32 /u (the Unregistered suite).
#include <gtest/gtest.h>
#include <ocidl.h>
#include <olectl.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "TavrixVideoTransform.h"
#include "automation/com_params.h"
#include "session/members.h"

using Microsoft::WRL::ComPtr;

namespace {

// The Windows path of the DLL under test, which run-wine-tests.sh puts in
// VTX_DLL; the tests run in a single-threaded apartment.
const std::wstring g_dll = _wgetenv(L"VTX_DLL") != nullptr ? _wgetenv(L"VTX_DLL") : L"";
struct Apartment : testing::Environment {
    void SetUp() override { ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK); }
    void TearDown() override { CoUninitialize(); }
};
testing::Environment* const kApartment = testing::AddGlobalTestEnvironment(new Apartment);

std::wstring Lower(std::wstring s) {
    for (wchar_t& c : s) c = static_cast<wchar_t>(towlower(c));
    return s;
}
std::wstring Take(BSTR b) {
    std::wstring s = b != nullptr ? b : L"";
    SysFreeString(b);
    return s;
}
std::wstring Wide(std::string_view s) { return std::wstring(s.begin(), s.end()); }
template <class Fn>
Fn Export(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(LoadLibraryW(g_dll.c_str()), name)));
}
HRESULT CanUnloadNow() { return Export<HRESULT(STDAPICALLTYPE*)()>("DllCanUnloadNow")(); }

// A new object, which must live in this process: its vtable lies in the DLL
// under test (a proxy's would not), also with the context script hosts ask
// for. (No surrogate can start in the test prefix: see run-wine-tests.sh.)
template <class T = IVideoTransform>
ComPtr<T> Create(DWORD context = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER) {
    ComPtr<T> o;
    HMODULE m = nullptr;
    wchar_t path[MAX_PATH] = {};
    EXPECT_TRUE(CoCreateInstance(CLSID_VideoTransform, nullptr, context, IID_PPV_ARGS(&o)) == S_OK &&
                GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                   *reinterpret_cast<LPCWSTR*>(o.Get()), &m) &&
                GetModuleFileNameW(m, path, MAX_PATH) > 0 && Lower(path) == Lower(g_dll))
        << "created in this process from " << g_dll;
    return o;
}

// A w x h test image (blue, green, red, alpha): colour bytes stay within
// 0..200, so that +20 never saturates.
std::vector<std::uint8_t> Pattern(ULONG w, ULONG h, int brighter = 0) {
    std::vector<std::uint8_t> b(std::size_t{4} * w * h);
    for (std::size_t i = 0; i < b.size(); ++i) b[i] = static_cast<std::uint8_t>(i % 4 == 3 ? 17 + i / 4 : i * 37 % 201 + brighter);
    return b;
}
SAFEARRAY* ImageArray(ULONG w, ULONG h) {
    SAFEARRAYBOUND bounds[3] = {{4, 0}, {w, 0}, {h, 0}};
    SAFEARRAY* a = SafeArrayCreate(VT_UI1, 3, bounds);
    std::memcpy(a->pvData, Pattern(w, h).data(), std::size_t{4} * w * h);
    return a;
}
void SetPattern(IVideoTransform* o, ULONG w, ULONG h) {
    SAFEARRAY* a = ImageArray(w, h);
    EXPECT_EQ(o->SetSafeArray(&a), S_OK);
    SafeArrayDestroy(a);
}
// The session's image as GetSafeArray hands it out (a 4 x w x h array with
// lower bounds 0), or {} when it refuses.
std::vector<std::uint8_t> Image(IVideoTransform* o) {
    SAFEARRAY* a = nullptr;
    LONG lower[3] = {}, upper[3] = {};
    if (o->GetSafeArray(&a) != S_OK) return {};
    for (UINT d = 0; d < 3; ++d) SafeArrayGetLBound(a, d + 1, &lower[d]), SafeArrayGetUBound(a, d + 1, &upper[d]);
    EXPECT_TRUE(SafeArrayGetDim(a) == 3 && lower[0] == 0 && lower[1] == 0 && lower[2] == 0 && upper[0] == 3);
    const auto* p = static_cast<std::uint8_t*>(a->pvData);
    std::vector<std::uint8_t> bytes(p, p + 4 * (upper[1] + 1) * (upper[2] + 1));
    SafeArrayDestroy(a);
    return bytes;
}

// ---------------------------------------------------------------------------
// Registry entries.

const std::wstring kClsid = L"{9E9AE8FF-C365-45D8-92BC-680B48A72A76}", kLibid = L"{26A20AA7-8D7B-4B10-B38E-9AF05E290231}",
                   kClassKey = L"CLSID\\" + kClsid, kProgId = L"TavrixVideoTransform.VideoTransform";
const wchar_t kCounts[] = L"(values and subkeys)";

// The string value `name` (null: the default value) of HKCR\key, or the
// numbers of its values and subkeys.
std::wstring Value(const std::wstring& key, const wchar_t* name = kCounts) {
    wchar_t buffer[512] = {};
    DWORD size = sizeof(buffer), values = 0, subkeys = 0;
    HKEY k = nullptr;
    if (name != kCounts) {
        const LSTATUS s = RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &size);
        return s == ERROR_SUCCESS ? buffer : L"<missing>";
    }
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return L"<no key>";
    RegQueryInfoKeyW(k, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(k);
    return std::to_wstring(values) + L" values, " + std::to_wstring(subkeys) + L" subkeys";
}

// (key, value name, expected value) of every entry registration writes.
std::vector<std::pair<std::pair<std::wstring, const wchar_t*>, std::wstring>> Entries() {
    return {
        {{L"AppID\\" + kLibid, nullptr}, L"TavrixVideoTransform"},
        {{L"AppID\\TavrixVideoTransform.DLL", L"AppID"}, kLibid},
        {{L"AppID\\TavrixVideoTransform.DLL", kCounts}, L"1 values, 0 subkeys"},
        {{kProgId + L".1", nullptr}, L"VideoTransform Object"},
        {{kProgId + L".1\\CLSID", nullptr}, kClsid},
        {{kProgId, nullptr}, L"VideoTransform Object"},
        {{kProgId + L"\\CLSID", nullptr}, kClsid},
        {{kProgId + L"\\CurVer", nullptr}, kProgId + L".1"},
        {{kClassKey, nullptr}, L"VideoTransform Object"},
        {{kClassKey, L"AppID"}, kLibid},
        {{kClassKey, kCounts}, L"2 values, 5 subkeys"},
        {{kClassKey + L"\\ProgID", nullptr}, kProgId + L".1"},
        {{kClassKey + L"\\VersionIndependentProgID", nullptr}, kProgId},
        {{kClassKey + L"\\Programmable", kCounts}, L"0 values, 0 subkeys"},
        {{kClassKey + L"\\InprocServer32", nullptr}, g_dll},
        {{kClassKey + L"\\InprocServer32", L"ThreadingModel"}, L"apartment"},
        {{kClassKey + L"\\TypeLib", nullptr}, kLibid},
        {{L"TypeLib\\" + kLibid + (sizeof(void*) == 8 ? L"\\1.0\\0\\win64" : L"\\1.0\\0\\win32"), nullptr}, g_dll},
    };
}
void ExpectRegistered() {
    // GUIDs and paths compare without regard to case.
    for (const auto& [where, want] : Entries()) EXPECT_EQ(Lower(Value(where.first, where.second)), Lower(want)) << where.first;
}

TEST(Registration, EntriesAndReregistration) {
    ExpectRegistered();
    // Registering again replaces the class key whole.
    ASSERT_EQ(RegSetValueW(HKEY_CLASSES_ROOT, (kClassKey + L"\\Stale").c_str(), REG_SZ, L"x", 1), ERROR_SUCCESS);
    EXPECT_EQ(Export<HRESULT(STDAPICALLTYPE*)()>("DllRegisterServer")(), S_OK);
    EXPECT_EQ(Value(kClassKey + L"\\Stale"), L"<no key>");
    ExpectRegistered();
}

TEST(Unregistered, EveryEntryRemoved) {
    for (const auto& [where, want] : Entries()) EXPECT_EQ(Value(where.first), L"<no key>") << where.first;
    EXPECT_EQ(Value(L"TypeLib\\" + kLibid), L"<no key>");
    EXPECT_TRUE(Value(L"AppID") != L"<no key>" && Value(L"CLSID") != L"<no key>");  // the parents stay
    IVideoTransform* o = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_VideoTransform, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&o)), REGDB_E_CLASSNOTREG);
}

// ---------------------------------------------------------------------------
// Class object, creation, identity, reference counts, aggregation.

TEST(Object, ClassObjectAndModuleLock) {
    auto get = Export<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>("DllGetClassObject");
    void* out = &out;
    EXPECT_TRUE(get(IID_IVideoTransform, IID_IClassFactory, &out) == CLASS_E_CLASSNOTAVAILABLE && out == nullptr);
    EXPECT_EQ(get(CLSID_VideoTransform, IID_IClassFactory, nullptr), E_POINTER);
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(get(CLSID_VideoTransform, IID_PPV_ARGS(&factory)), S_OK);
    // Objects and LockServer hold the module; the factory does not.
    ComPtr<IVideoTransform> o;
    EXPECT_TRUE(CanUnloadNow() == S_OK && factory->LockServer(TRUE) == S_OK && CanUnloadNow() == S_FALSE);
    EXPECT_TRUE(factory->LockServer(FALSE) == S_OK && CanUnloadNow() == S_OK);
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&o)), S_OK);
    EXPECT_EQ(CanUnloadNow(), S_FALSE);
    o.Reset();
    EXPECT_EQ(CanUnloadNow(), S_OK);
    // Out of process, the class is only reachable through a surrogate, which
    // cannot start in the test prefix.
    EXPECT_EQ(CoCreateInstance(CLSID_VideoTransform, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&o)),
              HRESULT_FROM_WIN32(ERROR_BAD_EXE_FORMAT));
}

TEST(Object, InterfacesAndReferenceCounts) {
    ComPtr<IVideoTransform> o = Create();
    // IUnknown, IDispatch and IVideoTransform are one pointer; other
    // interfaces than IProvideClassInfo are refused.
    for (const IID* iid : {&IID_IUnknown, &IID_IDispatch, &IID_IVideoTransform, &IID_IPersist, &IID_IProvideClassInfo2}) {
        void* p = &p;
        const bool answered = iid != &IID_IPersist && iid != &IID_IProvideClassInfo2;
        EXPECT_TRUE(o->QueryInterface(*iid, &p) == (answered ? S_OK : E_NOINTERFACE) && p == (answered ? o.Get() : nullptr));
        if (answered) o->Release();
    }
    EXPECT_EQ(o->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    // IProvideClassInfo is a second pointer of the same object and count.
    ComPtr<IProvideClassInfo> info;
    ComPtr<IUnknown> identity;
    ASSERT_TRUE(o.As(&info) == S_OK && info.As(&identity) == S_OK);
    EXPECT_TRUE(static_cast<void*>(info.Get()) != o.Get() && static_cast<void*>(identity.Get()) == o.Get());
    EXPECT_TRUE(o->AddRef() == 4u && info->Release() == 3u);
    ComPtr<ITypeInfo> type;
    TYPEATTR* attr = nullptr;
    ASSERT_TRUE(info->GetClassInfo(&type) == S_OK && type->GetTypeAttr(&attr) == S_OK);
    EXPECT_TRUE(attr->typekind == TKIND_COCLASS && IsEqualGUID(attr->guid, CLSID_VideoTransform));
    type->ReleaseTypeAttr(attr);
    EXPECT_EQ(info->GetClassInfo(nullptr), E_POINTER);
}

// An outer unknown that aggregates a VideoTransform.
struct Outer final : IUnknown {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!IsEqualIID(riid, IID_IUnknown)) return inner->QueryInterface(riid, out);
        *out = this;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    IUnknown* inner = nullptr;
    ULONG refs = 1;
};

TEST(Object, Aggregation) {
    Outer outer;
    void* out = &out;
    EXPECT_TRUE(CoCreateInstance(CLSID_VideoTransform, &outer, CLSCTX_INPROC_SERVER, IID_IVideoTransform, &out) ==
                    CLASS_E_NOAGGREGATION && out == nullptr);
    ASSERT_EQ(CoCreateInstance(CLSID_VideoTransform, &outer, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&outer.inner)), S_OK);
    IUnknown *innerAgain = nullptr, *identity = nullptr;
    ASSERT_EQ(outer.inner->QueryInterface(IID_PPV_ARGS(&innerAgain)), S_OK);
    EXPECT_EQ(innerAgain, outer.inner);  // the inner unknown answers for itself
    EXPECT_TRUE(innerAgain->Release() == 1u && outer.refs == 1u);
    // The object's other interfaces delegate IUnknown to the outer one.
    IVideoTransform* video = nullptr;
    ASSERT_EQ(outer.QueryInterface(IID_PPV_ARGS(&video)), S_OK);
    EXPECT_EQ(outer.refs, 2u);
    ASSERT_EQ(video->QueryInterface(IID_PPV_ARGS(&identity)), S_OK);
    EXPECT_TRUE(identity == &outer && video->Release() == 1u);
    EXPECT_EQ(outer.inner->Release(), 0u);
    EXPECT_EQ(CanUnloadNow(), S_OK);
}

// ---------------------------------------------------------------------------
// Image exchange through SAFEARRAYs, by copy and in place.

TEST(Arrays, SetSafeArrayAndSetSafeArrayPtr) {
    enum Outcome { kTaken, kRefused, kDropped };
    const struct {
        const char* what;
        VARTYPE vt;                                   // VT_EMPTY: a descriptor without element type
        std::vector<std::pair<ULONG, LONG>> bounds;  // (count, lower bound), dimension 1 first
        Outcome outcome;
        ULONG elementSize = 0;                        // 0: as the descriptor has it
    } cases[] = {
        {"4 x 5 x 4", VT_UI1, {{4, 0}, {5, 0}, {4, 0}}, kTaken},
        {"lower bounds -7, 100, 3", VT_UI1, {{4, -7}, {2, 100}, {2, 3}}, kTaken},
        {"3 x 4 x 4", VT_UI1, {{3, 0}, {4, 0}, {4, 0}}, kRefused},
        {"two dimensions", VT_UI1, {{4, 0}, {16, 0}}, kRefused},
        {"four dimensions", VT_UI1, {{4, 0}, {4, 0}, {4, 0}, {1, 0}}, kRefused},
        {"VT_I1", VT_I1, {{4, 0}, {4, 0}, {4, 0}}, kRefused},
        {"VT_VARIANT", VT_VARIANT, {{4, 0}, {2, 0}, {2, 0}}, kRefused},
        {"no element type", VT_EMPTY, {{4, 0}, {2, 0}, {2, 0}}, kRefused, 1},
        {"element size 2", VT_UI1, {{4, 0}, {2, 0}, {2, 0}}, kRefused, 2},
        {"4 x 40000 x 40000 bytes", VT_UI1, {{4, 0}, {40000, 0}, {40000, 0}}, kRefused},
        {"2^31 bytes", VT_UI1, {{4, 0}, {32768, 0}, {16384, 0}}, kRefused},
        {"5 x 1 pixels", VT_UI1, {{4, 0}, {5, 0}, {1, 0}}, kDropped},
    };
    ComPtr<IVideoTransform> o = Create();
    for (const auto& c : cases) {
        for (bool inPlace : {false, true}) {
            SCOPED_TRACE(std::string(c.what) + (inPlace ? " in place" : " by copy"));
            const UINT dims = static_cast<UINT>(c.bounds.size());
            SAFEARRAY* a = nullptr;
            ASSERT_EQ(c.vt == VT_EMPTY ? SafeArrayAllocDescriptor(dims, &a) : SafeArrayAllocDescriptorEx(c.vt, dims, &a), S_OK);
            if (c.elementSize != 0) a->cbElements = c.elementSize;
            for (UINT d = 0; d < dims; ++d) a->rgsabound[dims - 1 - d] = {c.bounds[d].first, c.bounds[d].second};
            // The data read for a taken array; 64 bytes behind a refused one.
            const ULONG w = c.outcome == kTaken ? c.bounds[1].first : 4, h = c.outcome == kTaken ? c.bounds[2].first : 4;
            std::vector<std::uint8_t> host = Pattern(w, h);
            a->pvData = host.data();
            SetPattern(o.Get(), 3, 2);
            EXPECT_EQ(inPlace ? o->SetSafeArrayPtr(reinterpret_cast<unsigned char*>(a)) : o->SetSafeArray(&a),
                      c.outcome == kTaken ? S_OK : S_FALSE);
            EXPECT_EQ(o->AdjustBrightness(1.0, 20), c.outcome == kDropped ? S_FALSE : S_OK);
            EXPECT_EQ(Image(o.Get()), c.outcome == kTaken   ? Pattern(w, h, 20)
                                      : c.outcome == kRefused ? Pattern(3, 2, 20)
                                                             : std::vector<std::uint8_t>());
            EXPECT_EQ(host, Pattern(w, h, inPlace && c.outcome == kTaken ? 20 : 0));
            a->pvData = nullptr;
            SafeArrayDestroyDescriptor(a);
        }
    }
    SAFEARRAY* null = nullptr;
    SetPattern(o.Get(), 3, 2);
    EXPECT_TRUE(o->SetSafeArray(nullptr) == S_FALSE && o->SetSafeArray(&null) == S_FALSE && o->SetSafeArrayPtr(nullptr) == S_FALSE);
    EXPECT_EQ(Image(o.Get()), Pattern(3, 2));
    // GetSafeArray writes a new array into the slot and leaves the old one alone.
    SAFEARRAY *old = ImageArray(1, 1), *slot = old;
    EXPECT_EQ(o->GetSafeArray(&slot), S_OK);
    EXPECT_NE(slot, old);
    EXPECT_TRUE(SafeArrayDestroy(old) == S_OK && SafeArrayDestroy(slot) == S_OK && o->GetSafeArray(nullptr) == S_FALSE);
}

// ---------------------------------------------------------------------------
// Late binding through IDispatch.

VARIANT Var(VARTYPE vt, LONGLONG bits = 0) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = vt;
    V_I8(&v) = bits;
    return v;
}
VARIANT R8(double d) {
    VARIANT v = Var(VT_R8);
    V_R8(&v) = d;
    return v;
}
VARIANT Text(const wchar_t* s) { return Var(VT_BSTR, reinterpret_cast<LONGLONG>(SysAllocString(s))); }
VARIANT Ref(VARTYPE vt, void* p) { return Var(vt | VT_BYREF, reinterpret_cast<LONGLONG>(p)); }

// Invoke with the parameters in declaration order (passed last first); they
// are cleared afterwards unless `kept` takes them.
HRESULT Call(IDispatch* d, DISPID id, WORD flags, std::vector<VARIANT>&& params, VARIANT* result = nullptr,
             UINT* argErr = nullptr, std::vector<DISPID> named = {}, std::vector<VARIANT>* kept = nullptr) {
    std::reverse(params.begin(), params.end());
    DISPPARAMS dp = {params.data(), named.data(), static_cast<UINT>(params.size()), static_cast<UINT>(named.size())};
    const HRESULT hr = d->Invoke(id, IID_NULL, 0, flags, &dp, result, nullptr, argErr);
    std::reverse(params.begin(), params.end());
    for (VARIANT& v : params) kept != nullptr ? kept->push_back(v) : void(VariantClear(&v));
    return hr;
}

TEST(LateBound, InvokeStepsAndConversions) {
    ComPtr<IVideoTransform> o = Create();
    ComPtr<IDispatch> d;
    ASSERT_EQ(o.As(&d), S_OK);
    SAFEARRAYBOUND b = {4, 0}, bounds[3] = {{4, 0}, {3, 0}, {2, 0}};
    SAFEARRAY *pattern = ImageArray(4, 3), *variants = SafeArrayCreate(VT_VARIANT, 3, bounds);
    VARIANT referent = Ref(VT_ARRAY | VT_UI1, &pattern), copy = Var(VT_I4, 42);
    LONG scalar = 20;
    const WORD M = DISPATCH_METHOD, G = DISPATCH_PROPERTYGET, P = DISPATCH_PROPERTYPUT;
    const UINT none = 77;  // puArgErr left alone
    const DISPID put = DISPID_PROPERTYPUT;
    struct Row {
        DISPID id;
        WORD flags;
        std::vector<VARIANT> params;
        HRESULT hr;
        UINT argErr = 77;
        std::vector<DISPID> named = {};
        VARTYPE resultVt = VT_EMPTY;  // VT_I4 123: the result was not touched
        LONG resultValue = 0;
    } rows[] = {
        // Methods: counts, conversions, the argument that failed (rgvarg index).
        {1, M, {Ref(VT_VARIANT, &referent)}, S_OK},  // a variant by reference stands for its referent
        {101, M, {Text(L"1"), Text(L"20")}, S_OK},
        {3, M, {Ref(VT_VARIANT, &copy)}, S_OK},  // a variable receives VT_ARRAY | VT_UI1
        {101, M, {R8(1)}, DISP_E_BADPARAMCOUNT},
        {101, M, {R8(1), Var(VT_I4), Var(VT_I4)}, DISP_E_BADPARAMCOUNT},
        {101, M, std::vector<VARIANT>(10, Var(VT_I4)), DISP_E_BADPARAMCOUNT, none, {}, VT_I4, 123},
        {1104, M, std::vector<VARIANT>(10, Var(VT_I4)), DISP_E_BADPARAMCOUNT, none, {}, VT_I4, 123},
        {101, M, {Text(L"one"), Var(VT_I4, 20)}, DISP_E_TYPEMISMATCH, 1},
        {101, M, {R8(1), Var(VT_UNKNOWN)}, DISP_E_TYPEMISMATCH, 0},
        {101, M, {R8(1), Ref(VT_I4, &scalar)}, DISP_E_TYPEMISMATCH, 0},
        {500, M, {Var(VT_I4, 2), Var(VT_I4, 300), Var(VT_I4, 0)}, DISP_E_TYPEMISMATCH, 1},
        {1, M, {Var(VT_I4, 5)}, DISP_E_TYPEMISMATCH, 0},
        // An array of variants reaches the member, which refuses it.
        {1, M, {Ref(VT_ARRAY | VT_VARIANT, &variants)}, S_FALSE},
        {1, M, {Var(VT_ARRAY | VT_VARIANT, reinterpret_cast<LONGLONG>(SafeArrayCreate(VT_VARIANT, 3, bounds)))}, S_FALSE},
        {1, M, {Var(VT_ARRAY | VT_UI1, reinterpret_cast<LONGLONG>(SafeArrayCreate(VT_UI1, 1, &b)))}, DISP_E_TYPEMISMATCH, 0},
        {2, M, {Var(VT_I4, 5)}, DISP_E_TYPEMISMATCH, 0},
        {3, M, {Var(VT_I4, 5)}, DISP_E_TYPEMISMATCH, 0},
        // Named arguments: only the property-put name, for any member,
        // checked before the member is chosen.
        {101, M, {R8(1), Var(VT_I4)}, DISP_E_NONAMEDARGS, none, {0}},
        {101, M, {R8(1), Var(VT_I4)}, DISP_E_NONAMEDARGS, none, {put, 0}},
        {1104, M, {R8(1), Var(VT_I4)}, DISP_E_NONAMEDARGS, none, {0}},
        {101, M, {R8(1), Var(VT_I4)}, S_OK, none, {put}},
        {1104, M, {R8(1), Var(VT_I4)}, DISP_E_MEMBERNOTFOUND},
        // Properties: -1 reads back as VT_BOOL -1; a VT_BOOL 1 is passed as
        // it is and is not true, a VT_I4 1 is converted to VARIANT_TRUE. With
        // both flags UseMask reads and BackColor writes.
        {0, P, {Var(VT_BOOL, VARIANT_TRUE)}, S_OK, none, {put}},
        {0, G, {}, S_OK, none, {}, VT_BOOL, VARIANT_TRUE},
        {0, P, {Var(VT_BOOL, 1)}, S_OK},
        {0, G, {}, S_OK, none, {}, VT_BOOL, VARIANT_FALSE},
        {0, P, {Var(VT_I4, 1)}, S_OK},
        {0, G | P, {}, S_OK, none, {}, VT_BOOL, VARIANT_TRUE},
        {501, G | P, {Var(VT_I4, 0x123456)}, S_OK},
        {501, G, {}, S_OK, none, {}, VT_I4, 0x123456},
        {0, G, {Var(VT_BOOL)}, DISP_E_BADPARAMCOUNT},
        {0, P, {}, DISP_E_BADPARAMCOUNT},
        {0, M, {}, DISP_E_MEMBERNOTFOUND},
        {501, M, {Var(VT_I4)}, DISP_E_MEMBERNOTFOUND},
        {501, DISPATCH_PROPERTYPUTREF, {Var(VT_I4)}, DISP_E_MEMBERNOTFOUND},
    };
    for (Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "row " << &r - rows << ", DISPID " << r.id);
        VARIANT result = Var(VT_I4, 123);
        UINT argErr = none;
        EXPECT_EQ(Call(d.Get(), r.id, r.flags, std::move(r.params), &result, &argErr, r.named), r.hr);
        EXPECT_EQ(argErr, r.argErr);
        EXPECT_EQ(V_VT(&result), r.resultVt);
        if (r.resultVt != VT_EMPTY) {
            EXPECT_EQ(r.resultVt == VT_BOOL ? LONG{V_BOOL(&result)} : V_I4(&result), r.resultValue);
        }
    }
    // The image set first, brightened by the second call (its texts became
    // 1.0 and 20) and by nothing else; the variable holds a copy.
    EXPECT_EQ(Image(o.Get()), Pattern(4, 3, 20));
    ASSERT_EQ(V_VT(&copy), VT_ARRAY | VT_UI1);
    EXPECT_EQ(std::memcmp(V_ARRAY(&copy)->pvData, Pattern(4, 3, 20).data(), 48), 0);
    for (SAFEARRAY* a : {pattern, variants, V_ARRAY(&copy)}) SafeArrayDestroy(a);
    // Name lookup stops at the first unknown name.
    wchar_t first[] = L"adjustbrightness", second[] = L"Level", third[] = L"UseMask";
    LPOLESTR names[3] = {first, second, third};
    DISPID ids[3] = {-7, -7, -7};
    EXPECT_EQ(d->GetIDsOfNames(IID_NULL, names, 3, 0, ids), DISP_E_UNKNOWNNAME);
    EXPECT_TRUE(ids[0] == 101 && ids[1] == -7 && ids[2] == -7 && d->GetIDsOfNames(IID_NULL, names, 0, 0, ids) == S_OK);
    DISPPARAMS noArgs = {nullptr, nullptr, 2, 0};
    EXPECT_EQ(d->Invoke(101, IID_NULL, 0, M, nullptr, nullptr, nullptr, nullptr), DISP_E_BADVARTYPE);
    EXPECT_EQ(d->Invoke(101, IID_NULL, 0, M, &noArgs, nullptr, nullptr, nullptr), DISP_E_BADVARTYPE);

    // The caller's arguments hold the converted values afterwards, also
    // through a variant by reference, and also when a later one failed.
    std::vector<VARIANT> kept;
    VARIANT level = Text(L"-20");
    EXPECT_EQ(Call(d.Get(), 101, M, {Text(L"1"), Ref(VT_VARIANT, &level)}, nullptr, nullptr, {}, &kept), S_OK);
    EXPECT_EQ(Call(d.Get(), 101, M, {Text(L"1"), Text(L"x")}, nullptr, nullptr, {}, &kept), DISP_E_TYPEMISMATCH);
    EXPECT_TRUE(V_VT(&kept[0]) == VT_R8 && V_R8(&kept[0]) == 1.0 && V_VT(&kept[2]) == VT_R8);
    EXPECT_TRUE(V_VT(&level) == VT_I4 && V_I4(&level) == -20);
    EXPECT_EQ(Image(o.Get()), Pattern(4, 3));
    for (VARIANT& v : kept) VariantClear(&v);
}

// The font argument of the text members: a font object, or the default font
// for a null object, VT_EMPTY and VT_NULL; other types and objects without
// IFontDisp are type mismatches; early bound, an object without IFont gives 1.
TEST(LateBound, FontArguments) {
    ComPtr<IVideoTransform> o = Create();
    ComPtr<IDispatch> d, font;
    ASSERT_EQ(o.As(&d), S_OK);
    FONTDESC desc = {sizeof(FONTDESC), const_cast<LPOLESTR>(L"Arial"), {}, 700, 0, FALSE, TRUE, FALSE};
    desc.cySize.int64 = 180000;  // 18 points
    ASSERT_EQ(OleCreateFontIndirect(&desc, IID_IDispatch, reinterpret_cast<void**>(font.GetAddressOf())), S_OK);
    const auto object = [](IDispatch* x) { x->AddRef(); return Var(VT_DISPATCH, reinterpret_cast<LONGLONG>(x)); };
    struct Case {
        VARIANT font;
        HRESULT want;
        bool drawn;
    } cases[] = {{object(font.Get()), S_OK, true},       {Var(VT_DISPATCH), S_OK, true}, {Var(VT_EMPTY), S_OK, true},
                 {Var(VT_NULL), S_OK, true},              {Var(VT_I4, 3), DISP_E_TYPEMISMATCH, false},
                 {Var(VT_RECORD), DISP_E_TYPEMISMATCH, false}, {object(d.Get()), DISP_E_TYPEMISMATCH, false}};
    for (Case& k : cases) {
        SetPattern(o.Get(), 60, 40);
        const std::vector<std::uint8_t> before = Image(o.Get());
        UINT argErr = 77;
        std::vector<VARIANT> kept;
        EXPECT_EQ(Call(d.Get(), 1109, DISPATCH_METHOD,
                       {R8(1), Var(VT_I4, 2), Var(VT_I4, 2), Text(L"Hi"), k.font, Var(VT_I4, 0xFFFFFF), Var(VT_I4, 255)},
                       nullptr, &argErr, {}, &kept),
                  k.want);
        for (VARIANT& v : kept) {  // the record variant holds no record to clear
            if (V_VT(&v) == VT_RECORD) V_VT(&v) = VT_EMPTY;
            VariantClear(&v);
        }
        EXPECT_EQ(argErr, k.want == S_OK ? 77u : 2u);
        const std::vector<std::uint8_t> after = Image(o.Get());
        EXPECT_EQ(after != before, k.drawn);
        for (std::size_t i = 3; k.drawn && i < after.size(); i += 4) ASSERT_EQ(after[i], 0);
    }
    SetPattern(o.Get(), 60, 40);
    const std::vector<std::uint8_t> before = Image(o.Get());
    BSTR text = SysAllocString(L"Hi");
    ComPtr<IFontDisp> fontDisp;
    ASSERT_EQ(font.As(&fontDisp), S_OK);
    EXPECT_EQ(o->DrawCredits(0.5, text, reinterpret_cast<IFontDisp*>(d.Get()), 0xFFFFFF, 255, 5101), S_FALSE);
    EXPECT_EQ(Image(o.Get()), before);
    EXPECT_EQ(o->DrawText2(1, 2, 2, 50, 30, text, fontDisp.Get(), 0xFFFFFF, 255), S_OK);
    EXPECT_NE(Image(o.Get()), before);
    SysFreeString(text);
}

// ---------------------------------------------------------------------------
// The type library in the DLL against the member table.

// "name|documentation" of a library (MEMBERID_NIL) or a type or member.
template <class T>
std::wstring Docs(T* t, MEMBERID id) {
    BSTR name = nullptr, doc = nullptr;
    EXPECT_EQ(t->GetDocumentation(id, &name, &doc, nullptr, nullptr), S_OK);
    return Take(name) + L"|" + Take(doc);
}

TEST(TypeLibrary, MatchesTheMemberTable) {
    ComPtr<ITypeLib> lib;
    ComPtr<ITypeInfo> coclass, dispatchInfo, info;
    TLIBATTR* la = nullptr;
    ASSERT_TRUE(LoadTypeLibEx(g_dll.c_str(), REGKIND_NONE, &lib) == S_OK && lib->GetLibAttr(&la) == S_OK);
    EXPECT_TRUE(IsEqualGUID(la->guid, LIBID_TavrixVideoTransform) && la->wMajorVerNum == 1 && la->wMinorVerNum == 0);
    EXPECT_EQ(la->syskind, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
    lib->ReleaseTLibAttr(la);
    EXPECT_EQ(Docs(lib.Get(), MEMBERID_NIL), L"TavrixVideoTransform|TavrixVideoTransform 1.0 Type Library");
    ASSERT_EQ(lib->GetTypeInfoOfGuid(CLSID_VideoTransform, &coclass), S_OK);
    EXPECT_EQ(Docs(coclass.Get(), MEMBERID_NIL), L"VideoTransform|VideoTransform Class");
    // The vtable part of the dual interface the object hands out.
    ComPtr<IVideoTransform> object = Create();
    TYPEATTR* ta = nullptr;
    HREFTYPE ref = 0;
    UINT count = 0;
    ASSERT_TRUE(object->GetTypeInfoCount(&count) == S_OK && count == 1 && object->GetTypeInfo(0, 0, &dispatchInfo) == S_OK);
    EXPECT_EQ(Docs(dispatchInfo.Get(), MEMBERID_NIL), L"IVideoTransform|IVideoTransform Interface");
    ASSERT_TRUE(dispatchInfo->GetRefTypeOfImplType(-1, &ref) == S_OK && dispatchInfo->GetRefTypeInfo(ref, &info) == S_OK &&
                info->GetTypeAttr(&ta) == S_OK);
    EXPECT_TRUE(IsEqualGUID(ta->guid, IID_IVideoTransform) && ta->typekind == TKIND_INTERFACE);
    EXPECT_EQ(ta->wTypeFlags & (TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION), TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION);
    ASSERT_EQ(ta->cFuncs, vtx::kMemberCount);
    info->ReleaseTypeAttr(ta);
    const VARTYPE kVt[] = {VT_R8, VT_I4, VT_BOOL, VT_UI1, VT_BSTR, VT_SAFEARRAY, VT_UI1, VT_USERDEFINED};  // by vtx::ParamType
    const USHORT kFlags[] = {PARAMFLAG_FIN, PARAMFLAG_FOUT, PARAMFLAG_FIN | PARAMFLAG_FOUT, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL};
    const INVOKEKIND kKinds[] = {INVOKE_FUNC, INVOKE_PROPERTYGET, INVOKE_PROPERTYPUT};  // by vtx::MemberKind
    for (int i = 0; i < vtx::kMemberCount; ++i) {
        const vtx::MemberInfo& m = vtx::kMembers[i];
        SCOPED_TRACE(std::string(m.id));
        FUNCDESC* f = nullptr;
        ASSERT_EQ(info->GetFuncDesc(static_cast<UINT>(i), &f), S_OK);
        EXPECT_TRUE(f->memid == m.dispid && f->invkind == kKinds[static_cast<int>(m.kind)] && f->elemdescFunc.tdesc.vt == VT_HRESULT);
        EXPECT_EQ(f->oVft, static_cast<SHORT>((7 + i) * sizeof(void*)));  // after IUnknown and IDispatch
        ASSERT_EQ(f->cParams, m.paramCount);
        for (int p = 0; p < m.paramCount; ++p) {
            const vtx::ParamInfo& want = m.params[p];
            const TYPEDESC& t = f->lprgelemdescParam[p].tdesc;
            const bool pointer = want.dir != vtx::ParamDir::In || want.type >= vtx::ParamType::ImageArray;
            const TYPEDESC& value = pointer && t.vt == VT_PTR ? *t.lptdesc : t;
            ASSERT_LT(static_cast<std::size_t>(want.type), std::size(kVt));
            EXPECT_TRUE(value.vt == kVt[static_cast<int>(want.type)] && (pointer == (t.vt == VT_PTR))) << want.name;
            EXPECT_TRUE(value.vt != VT_SAFEARRAY || value.lptdesc->vt == VT_UI1) << want.name;
            EXPECT_EQ(f->lprgelemdescParam[p].paramdesc.wParamFlags, kFlags[static_cast<int>(want.dir)]) << want.name;
        }
        // Names: the member's, then its parameters' (a property put's value
        // has none; accessors sharing a DISPID are described by the first).
        BSTR names[vtx::kMaxParams + 1] = {};
        UINT n = 0;
        ASSERT_EQ(info->GetNames(f->memid, names, vtx::kMaxParams + 1, &n), S_OK);
        const vtx::MemberInfo& first = *std::find_if(vtx::kMembers, vtx::kMembers + vtx::kMemberCount,
                                                     [&](const vtx::MemberInfo& x) { return x.dispid == m.dispid; });
        EXPECT_EQ(n, static_cast<UINT>(1 + first.paramCount - (first.kind == vtx::MemberKind::PropertyPut)));
        for (UINT k = 0; k < n; ++k) EXPECT_EQ(Take(names[k]), Wide(k == 0 ? m.name : first.params[k - 1].name));
        EXPECT_EQ(Docs(info.Get(), f->memid), Wide(m.name) + L"|" + Wide(m.help));
        info->ReleaseFuncDesc(f);
    }
}

}  // namespace

