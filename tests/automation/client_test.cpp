// COM client tests of TavrixVideoTransform.dll, run under Wine by
// run-wine-tests.sh after regsvr32 (--phase=registered) and after regsvr32 /u
// (--phase=unregistered, which runs only the Unregistered suite).
//
//   vtx_automation_tests --dll=<Windows path of the DLL> --phase=registered|unregistered
#include <gtest/gtest.h>
#include <ocidl.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "TavrixVideoTransform.h"
#include "automation/com_params.h"
#include "session/members.h"

using Microsoft::WRL::ComPtr;

namespace {

std::wstring g_dll;

std::wstring Lower(std::wstring s) {
    for (wchar_t& c : s) c = static_cast<wchar_t>(towlower(c));
    return s;
}
std::wstring Take(BSTR b) {
    std::wstring s = b != nullptr ? b : L"";
    SysFreeString(b);
    return s;
}
template <class Fn>
Fn Export(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(LoadLibraryW(g_dll.c_str()), name)));
}
HRESULT CanUnloadNow() { return Export<HRESULT(STDAPICALLTYPE*)()>("DllCanUnloadNow")(); }

ComPtr<IVideoTransform> Create(DWORD context = CLSCTX_INPROC_SERVER) {
    ComPtr<IVideoTransform> o;
    EXPECT_EQ(CoCreateInstance(CLSID_VideoTransform, nullptr, context, IID_PPV_ARGS(&o)), S_OK);
    return o;
}

// A w x h test image: colour bytes stay within 0..200, so +20 never saturates.
std::vector<std::uint8_t> Pattern(ULONG w, ULONG h) {
    std::vector<std::uint8_t> b(std::size_t{4} * w * h);
    for (std::size_t i = 0; i < b.size(); ++i) b[i] = static_cast<std::uint8_t>(i % 4 == 3 ? 17 + i / 4 : i * 37 % 201);
    return b;
}
std::vector<std::uint8_t> Brightened(std::vector<std::uint8_t> b, int a) {
    for (std::size_t i = 0; i < b.size(); ++i) {
        if (i % 4 != 3) b[i] = static_cast<std::uint8_t>(std::clamp(b[i] + a, 0, 255));
    }
    return b;
}
void SetPattern(IVideoTransform* o, ULONG w, ULONG h) {
    SAFEARRAYBOUND bounds[3] = {{4, 0}, {w, 0}, {h, 0}};
    SAFEARRAY* a = SafeArrayCreate(VT_UI1, 3, bounds);
    std::memcpy(a->pvData, Pattern(w, h).data(), std::size_t{4} * w * h);
    EXPECT_EQ(o->SetSafeArray(&a), S_OK);
    SafeArrayDestroy(a);
}
// The session's image as GetSafeArray hands it out, or {} when it refuses;
// the array is 4 x w x h with lower bounds 0.
std::vector<std::uint8_t> Image(IVideoTransform* o) {
    SAFEARRAY* a = nullptr;
    if (o->GetSafeArray(&a) != S_OK) return {};
    LONG n = 1, lower = 0, upper = 0;
    EXPECT_EQ(SafeArrayGetDim(a), 3u);
    for (UINT d = 1; d <= 3; ++d) {
        SafeArrayGetLBound(a, d, &lower);
        SafeArrayGetUBound(a, d, &upper);
        EXPECT_EQ(lower, 0);
        n *= upper + 1;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::uint8_t*>(a->pvData), static_cast<std::uint8_t*>(a->pvData) + n);
    SafeArrayDestroy(a);
    return bytes;
}

// ---------------------------------------------------------------------------
// Registry entries.

const std::wstring kClsid = L"{9E9AE8FF-C365-45D8-92BC-680B48A72A76}", kLibid = L"{26A20AA7-8D7B-4B10-B38E-9AF05E290231}",
                   kClassKey = L"CLSID\\" + kClsid, kProgId = L"TavrixVideoTransform.VideoTransform";

// The string value `name` (null: the default value) of HKCR\key; with
// `counts`, the numbers of values and subkeys instead.
std::wstring Value(const std::wstring& key, const wchar_t* name, bool counts = false) {
    HKEY k = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return L"<no key>";
    wchar_t buffer[512] = {};
    DWORD size = sizeof(buffer) - sizeof(wchar_t), type = 0, values = 0, subkeys = 0;
    LSTATUS s = counts ? RegQueryInfoKeyW(k, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                                          nullptr, nullptr, nullptr)
                       : RegQueryValueExW(k, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(k);
    if (counts) return std::to_wstring(values) + L" values, " + std::to_wstring(subkeys) + L" subkeys";
    return s != ERROR_SUCCESS ? L"<missing>" : type != REG_SZ ? L"<not REG_SZ>" : buffer;
}

void ExpectRegistered() {
    const struct {
        std::wstring key;
        const wchar_t* name;
        std::wstring want;
    } entries[] = {
        {L"AppID\\" + kLibid, nullptr, L"TavrixVideoTransform"},
        {L"AppID\\TavrixVideoTransform.DLL", L"AppID", kLibid},
        {L"AppID\\TavrixVideoTransform.DLL", nullptr, L"<missing>"},
        {kProgId + L".1", nullptr, L"VideoTransform Object"},
        {kProgId + L".1\\CLSID", nullptr, kClsid},
        {kProgId, nullptr, L"VideoTransform Object"},
        {kProgId + L"\\CLSID", nullptr, kClsid},
        {kProgId + L"\\CurVer", nullptr, kProgId + L".1"},
        {kClassKey, nullptr, L"VideoTransform Object"},
        {kClassKey, L"AppID", kLibid},
        {kClassKey + L"\\ProgID", nullptr, kProgId + L".1"},
        {kClassKey + L"\\VersionIndependentProgID", nullptr, kProgId},
        {kClassKey + L"\\InprocServer32", L"ThreadingModel", L"apartment"},
        {kClassKey + L"\\TypeLib", nullptr, kLibid},
    };
    for (const auto& e : entries) EXPECT_EQ(Value(e.key, e.name), e.want) << e.key;
    EXPECT_EQ(Lower(Value(kClassKey + L"\\InprocServer32", nullptr)), Lower(g_dll));
    EXPECT_EQ(Value(L"AppID\\TavrixVideoTransform.DLL", nullptr, true), L"1 values, 0 subkeys");
    EXPECT_EQ(Value(kClassKey + L"\\Programmable", nullptr, true), L"0 values, 0 subkeys");
    EXPECT_EQ(Value(kClassKey, nullptr, true), L"2 values, 5 subkeys");
    BSTR path = nullptr;
    ASSERT_EQ(QueryPathOfRegTypeLib(LIBID_TavrixVideoTransform, 1, 0, LOCALE_NEUTRAL, &path), S_OK);
    EXPECT_EQ(Lower(Take(path)), Lower(g_dll));
}

TEST(Registration, EntriesAndReregistration) {
    ExpectRegistered();
    // Registering again replaces the class key whole.
    HKEY stale = nullptr;
    ASSERT_EQ(RegCreateKeyW(HKEY_CLASSES_ROOT, (kClassKey + L"\\Stale").c_str(), &stale), ERROR_SUCCESS);
    RegCloseKey(stale);
    EXPECT_EQ(Export<HRESULT(STDAPICALLTYPE*)()>("DllRegisterServer")(), S_OK);
    EXPECT_EQ(Value(kClassKey + L"\\Stale", nullptr), L"<no key>");
    ExpectRegistered();
}

TEST(Unregistered, EveryEntryRemoved) {
    for (const std::wstring& key : {L"AppID\\" + kLibid, std::wstring(L"AppID\\TavrixVideoTransform.DLL"), kProgId + L".1",
                                    kProgId, kClassKey, L"TypeLib\\" + kLibid}) {
        EXPECT_EQ(Value(key, nullptr), L"<no key>") << key;
    }
    EXPECT_NE(Value(L"AppID", nullptr), L"<no key>");
    EXPECT_NE(Value(L"CLSID", nullptr), L"<no key>");
    IVideoTransform* o = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_VideoTransform, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&o)), REGDB_E_CLASSNOTREG);
}

// ---------------------------------------------------------------------------
// Class object, identity, reference counts, aggregation.

TEST(Object, ClassObjectAndModuleLock) {
    auto get = Export<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>("DllGetClassObject");
    void* out = &out;
    EXPECT_EQ(get(IID_IVideoTransform, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(get(CLSID_VideoTransform, IID_IClassFactory, nullptr), E_POINTER);
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(get(CLSID_VideoTransform, IID_PPV_ARGS(&factory)), S_OK);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    // Objects and LockServer hold the module; the factory does not.
    EXPECT_EQ(CanUnloadNow(), S_OK);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(CanUnloadNow(), S_FALSE);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    ComPtr<IVideoTransform> o;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&o)), S_OK);
    EXPECT_EQ(CanUnloadNow(), S_FALSE);
    o.Reset();
    EXPECT_EQ(CanUnloadNow(), S_OK);
}

// The object must live in the creating process: with the context script hosts
// ask for too, its vtable lies in the DLL under test (a proxy's would not).
// A surrogate cannot even start in the test prefix.
TEST(Object, CreatedInProcess) {
    for (DWORD context : {DWORD{CLSCTX_INPROC_SERVER}, DWORD{CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER}}) {
        ComPtr<IVideoTransform> o = Create(context);
        HMODULE m = nullptr;
        wchar_t path[MAX_PATH] = {};
        ASSERT_TRUE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                       *reinterpret_cast<LPCWSTR*>(o.Get()), &m));
        GetModuleFileNameW(m, path, MAX_PATH);
        EXPECT_EQ(Lower(path), Lower(g_dll)) << context;
    }
    IVideoTransform* o = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_VideoTransform, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&o)),
              HRESULT_FROM_WIN32(ERROR_BAD_EXE_FORMAT));
}

TEST(Object, InterfacesAndReferenceCounts) {
    ComPtr<IVideoTransform> o = Create();
    for (const IID* iid : {&IID_IUnknown, &IID_IDispatch, &IID_IVideoTransform}) {
        void* p = nullptr;
        EXPECT_EQ(o->QueryInterface(*iid, &p), S_OK);
        EXPECT_EQ(p, o.Get());
        static_cast<IUnknown*>(p)->Release();
    }
    for (const IID* iid : {&IID_IClassFactory, &IID_IPersist, &IID_IProvideClassInfo2, &IID_IConnectionPointContainer}) {
        void* p = &p;
        EXPECT_EQ(o->QueryInterface(*iid, &p), E_NOINTERFACE);
        EXPECT_EQ(p, nullptr);
    }
    EXPECT_EQ(o->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    // IProvideClassInfo is a second pointer of the same object and count.
    ComPtr<IProvideClassInfo> info;
    ComPtr<IUnknown> identity;
    ASSERT_EQ(o.As(&info), S_OK);
    EXPECT_NE(static_cast<void*>(info.Get()), static_cast<void*>(o.Get()));
    ASSERT_EQ(info.As(&identity), S_OK);
    EXPECT_EQ(static_cast<void*>(identity.Get()), static_cast<void*>(o.Get()));
    EXPECT_EQ(o->AddRef(), 4u);
    EXPECT_EQ(info->Release(), 3u);
    ComPtr<ITypeInfo> type;
    ASSERT_EQ(info->GetClassInfo(&type), S_OK);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(type->GetTypeAttr(&attr), S_OK);
    EXPECT_TRUE(attr->typekind == TKIND_COCLASS && IsEqualGUID(attr->guid, CLSID_VideoTransform));
    type->ReleaseTypeAttr(attr);
    EXPECT_EQ(info->GetClassInfo(nullptr), E_POINTER);
}

// An outer object that aggregates a VideoTransform and answers IPersist
// itself, to show where the inner object's IUnknown calls land.
struct Outer final : IPersist {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPersist)) {
            *out = static_cast<IPersist*>(this);
            AddRef();
            return S_OK;
        }
        return inner->QueryInterface(riid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID*) override { return E_NOTIMPL; }
    IUnknown* inner = nullptr;
    ULONG refs = 1;
};

TEST(Object, Aggregation) {
    Outer outer;
    void* out = &out;
    EXPECT_EQ(CoCreateInstance(CLSID_VideoTransform, &outer, CLSCTX_INPROC_SERVER, IID_IVideoTransform, &out),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(out, nullptr);
    ASSERT_EQ(CoCreateInstance(CLSID_VideoTransform, &outer, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&outer.inner)), S_OK);
    EXPECT_EQ(outer.refs, 1u);
    IUnknown* innerAgain = nullptr;
    ASSERT_EQ(outer.inner->QueryInterface(IID_PPV_ARGS(&innerAgain)), S_OK);
    EXPECT_EQ(innerAgain, outer.inner);  // the inner unknown answers for itself
    EXPECT_EQ(innerAgain->Release(), 1u);
    IVideoTransform* video = nullptr;
    ASSERT_EQ(outer.QueryInterface(IID_PPV_ARGS(&video)), S_OK);
    EXPECT_EQ(outer.refs, 2u);  // its AddRef went to the outer object
    IPersist* persist = nullptr;
    ASSERT_EQ(video->QueryInterface(IID_PPV_ARGS(&persist)), S_OK);
    EXPECT_EQ(persist, &outer);
    EXPECT_EQ(video->Release(), 2u);
    EXPECT_EQ(persist->Release(), 1u);
    EXPECT_EQ(outer.inner->Release(), 0u);
    EXPECT_EQ(CanUnloadNow(), S_OK);
}

// ---------------------------------------------------------------------------
// Image exchange through SAFEARRAYs (early binding).

TEST(Arrays, SetSafeArrayAndSetSafeArrayPtr) {
    enum Outcome { kTaken, kRefused, kDropped };
    const struct {
        const char* what;
        VARTYPE vt;                                   // VT_EMPTY: a descriptor without element type
        std::vector<std::pair<ULONG, LONG>> bounds;  // (count, lower bound), dimension 1 first
        Outcome outcome;
        ULONG elementSize = 0;                        // 0: as the descriptor has it
        bool data = true;
    } cases[] = {
        {"4 x 5 x 4", VT_UI1, {{4, 0}, {5, 0}, {4, 0}}, kTaken},
        {"lower bounds 1", VT_UI1, {{4, 1}, {3, 1}, {5, 1}}, kTaken},
        {"lower bounds -7, 100, 3", VT_UI1, {{4, -7}, {2, 100}, {2, 3}}, kTaken},
        {"3 x 4 x 4", VT_UI1, {{3, 0}, {4, 0}, {4, 0}}, kRefused},
        {"5 x 4 x 4", VT_UI1, {{5, 0}, {4, 0}, {4, 0}}, kRefused},
        {"two dimensions", VT_UI1, {{4, 0}, {16, 0}}, kRefused},
        {"four dimensions", VT_UI1, {{4, 0}, {4, 0}, {4, 0}, {1, 0}}, kRefused},
        {"VT_I1", VT_I1, {{4, 0}, {4, 0}, {4, 0}}, kRefused},
        {"VT_I2", VT_I2, {{4, 0}, {4, 0}, {4, 0}}, kRefused},
        {"VT_VARIANT", VT_VARIANT, {{4, 0}, {2, 0}, {2, 0}}, kRefused},
        {"no element type", VT_EMPTY, {{4, 0}, {2, 0}, {2, 0}}, kRefused, 1},
        {"element size 2", VT_UI1, {{4, 0}, {2, 0}, {2, 0}}, kRefused, 2},
        {"4 x 40000 x 40000 bytes", VT_UI1, {{4, 0}, {40000, 0}, {40000, 0}}, kRefused},
        {"2^31 bytes", VT_UI1, {{4, 0}, {32768, 0}, {16384, 0}}, kRefused},
        {"1 x 5 pixels", VT_UI1, {{4, 0}, {1, 0}, {5, 0}}, kDropped},
        {"5 x 1 pixels", VT_UI1, {{4, 0}, {5, 0}, {1, 0}}, kDropped},
        {"no columns", VT_UI1, {{4, 0}, {0, 0}, {2, 0}}, kDropped},
        {"no data", VT_UI1, {{4, 0}, {2, 0}, {2, 0}}, kDropped, 0, false},
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
            const ULONG w = c.bounds[1].first, h = dims > 2 ? c.bounds[2].first : 1;
            std::vector<std::uint8_t> host = Pattern(w * h < 4096 ? w : 4, w * h < 4096 ? h : 4);
            a->pvData = c.data ? host.data() : nullptr;
            SetPattern(o.Get(), 3, 2);
            EXPECT_EQ(inPlace ? o->SetSafeArrayPtr(reinterpret_cast<unsigned char*>(a)) : o->SetSafeArray(&a),
                      c.outcome == kTaken ? S_OK : S_FALSE);
            if (c.outcome == kTaken) {
                EXPECT_EQ(o->AdjustBrightness(1.0, 20), S_OK);
                EXPECT_EQ(Image(o.Get()), Brightened(Pattern(w, h), 20));
                EXPECT_EQ(host, inPlace ? Brightened(Pattern(w, h), 20) : Pattern(w, h));
            } else {
                EXPECT_EQ(Image(o.Get()), c.outcome == kRefused ? Pattern(3, 2) : std::vector<std::uint8_t>());
            }
            a->pvData = nullptr;
            SafeArrayDestroyDescriptor(a);
        }
    }
    SetPattern(o.Get(), 3, 2);
    SAFEARRAY* null = nullptr;
    EXPECT_EQ(o->SetSafeArray(nullptr), S_FALSE);
    EXPECT_EQ(o->SetSafeArray(&null), S_FALSE);
    EXPECT_EQ(o->SetSafeArrayPtr(nullptr), S_FALSE);
    EXPECT_EQ(Image(o.Get()), Pattern(3, 2));
    // GetSafeArray writes a new array into the slot, leaving the old one alone.
    SAFEARRAYBOUND one = {1, 0};
    SAFEARRAY *old = SafeArrayCreate(VT_UI1, 1, &one), *slot = old;
    EXPECT_EQ(o->GetSafeArray(&slot), S_OK);
    EXPECT_NE(slot, old);
    EXPECT_EQ(SafeArrayDestroy(old), S_OK);
    EXPECT_EQ(SafeArrayDestroy(slot), S_OK);
    EXPECT_EQ(o->GetSafeArray(nullptr), S_FALSE);
    EXPECT_EQ(o->get_BackColor(nullptr), S_FALSE);
    slot = reinterpret_cast<SAFEARRAY*>(16);
    EXPECT_EQ(Create()->GetSafeArray(&slot), S_FALSE);  // no image yet
    EXPECT_EQ(slot, reinterpret_cast<SAFEARRAY*>(16));
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
VARIANT Text(const wchar_t* s) {
    VARIANT v = Var(VT_BSTR);
    V_BSTR(&v) = SysAllocString(s);
    return v;
}
VARIANT Ref(VARTYPE vt, void* p) { return Var(vt | VT_BYREF, reinterpret_cast<LONGLONG>(p)); }

// Calls Invoke with the parameters in declaration order (passed last first)
// and clears them afterwards unless `keep` is set.
HRESULT Call(IDispatch* d, DISPID id, WORD flags, std::vector<VARIANT>&& params, VARIANT* result = nullptr,
             UINT* argErr = nullptr, std::vector<DISPID> named = {}, std::vector<VARIANT>* keep = nullptr) {
    std::reverse(params.begin(), params.end());
    DISPPARAMS dp = {params.data(), named.data(), static_cast<UINT>(params.size()), static_cast<UINT>(named.size())};
    const HRESULT hr = d->Invoke(id, IID_NULL, 0, flags, &dp, result, nullptr, argErr);
    std::reverse(params.begin(), params.end());
    if (keep != nullptr) *keep = params;
    else for (VARIANT& v : params) VariantClear(&v);
    return hr;
}

TEST(LateBound, InvokeStepsAndConversions) {
    ComPtr<IVideoTransform> o = Create();
    ComPtr<IDispatch> d;
    ASSERT_EQ(o.As(&d), S_OK);
    SetPattern(o.Get(), 4, 3);
    SAFEARRAYBOUND b = {4, 0};
    LONG scalar = 20;
    const WORD M = DISPATCH_METHOD, G = DISPATCH_PROPERTYGET, P = DISPATCH_PROPERTYPUT, PR = DISPATCH_PROPERTYPUTREF;
    const DISPID PUT = DISPID_PROPERTYPUT;
    const UINT none = 77;  // puArgErr left alone
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
        {101, M, {Text(L"1"), Text(L"20")}, S_OK},
        {101, M, {R8(1)}, DISP_E_BADPARAMCOUNT},
        {101, M, {R8(1), Var(VT_I4), Var(VT_I4)}, DISP_E_BADPARAMCOUNT},
        {101, M, std::vector<VARIANT>(10, Var(VT_I4)), DISP_E_BADPARAMCOUNT, none, {}, VT_I4, 123},
        {1104, M, std::vector<VARIANT>(10, Var(VT_I4)), DISP_E_BADPARAMCOUNT, none, {}, VT_I4, 123},
        {101, M, {Text(L"one"), Var(VT_I4, 20)}, DISP_E_TYPEMISMATCH, 1},
        {101, M, {R8(1), Var(VT_UNKNOWN)}, DISP_E_TYPEMISMATCH, 0},
        {101, M, {Var(VT_DISPATCH), Var(VT_I4, 20)}, DISP_E_TYPEMISMATCH, 1},
        {101, M, {R8(1), Ref(VT_I4, &scalar)}, DISP_E_TYPEMISMATCH, 0},
        {500, M, {Var(VT_I4, 2), Var(VT_I4, 300), Var(VT_I4, 0)}, DISP_E_TYPEMISMATCH, 1},
        {1, M, {Var(VT_I4, 5)}, DISP_E_TYPEMISMATCH, 0},
        {1, M, {Var(VT_ARRAY | VT_UI1, reinterpret_cast<LONGLONG>(SafeArrayCreate(VT_UI1, 1, &b)))}, DISP_E_TYPEMISMATCH, 0},
        {2, M, {Var(VT_I4, 5)}, DISP_E_TYPEMISMATCH, 0},
        {3, M, {Var(VT_I4, 5)}, DISP_E_TYPEMISMATCH, 0},
        // Named arguments: only the property-put name, for any member, checked
        // before the member is chosen.
        {101, M, {R8(1), Var(VT_I4)}, DISP_E_NONAMEDARGS, none, {0}},
        {101, M, {R8(1), Var(VT_I4)}, DISP_E_NONAMEDARGS, none, {PUT, 0}},
        {1104, M, {R8(1), Var(VT_I4)}, DISP_E_NONAMEDARGS, none, {0}},
        {101, M, {R8(1), Var(VT_I4)}, S_OK, none, {PUT}},
        {1104, M, {R8(1), Var(VT_I4)}, DISP_E_MEMBERNOTFOUND},
        {4, M, {}, DISP_E_MEMBERNOTFOUND},
        {502, M, {}, DISP_E_MEMBERNOTFOUND},
        {-1, M, {}, DISP_E_MEMBERNOTFOUND},
        // Properties: a VT_BOOL 1 is passed as it is and is not true; a VT_I4
        // 1 is converted to VARIANT_TRUE. With both flags UseMask reads and
        // BackColor writes.
        {0, P, {Var(VT_BOOL, VARIANT_TRUE)}, S_OK, none, {PUT}},
        {0, G, {}, S_OK, none, {}, VT_BOOL, VARIANT_TRUE},
        {0, P, {Var(VT_BOOL, 1)}, S_OK},
        {0, G, {}, S_OK, none, {}, VT_BOOL, VARIANT_FALSE},
        {0, P, {Var(VT_I4, 1)}, S_OK},
        {0, G | P, {}, S_OK, none, {}, VT_BOOL, VARIANT_TRUE},
        {501, P, {Text(L"16711680")}, S_OK},
        {501, G, {}, S_OK, none, {}, VT_I4, 0xFF0000},
        {501, G | P, {Var(VT_I4, 0x123456)}, S_OK},
        {501, G, {}, S_OK, none, {}, VT_I4, 0x123456},
        {0, G, {Var(VT_BOOL)}, DISP_E_BADPARAMCOUNT},
        {0, P, {}, DISP_E_BADPARAMCOUNT},
        {0, G | P, {Var(VT_BOOL)}, DISP_E_BADPARAMCOUNT},
        {501, G, {Var(VT_I4)}, DISP_E_BADPARAMCOUNT},
        {501, G | P, {}, DISP_E_BADPARAMCOUNT},
        {0, M, {}, DISP_E_MEMBERNOTFOUND},
        {501, M, {Var(VT_I4)}, DISP_E_MEMBERNOTFOUND},
        {501, PR, {Var(VT_I4)}, DISP_E_MEMBERNOTFOUND},
    };
    for (Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "DISPID " << r.id << ", flags " << r.flags << ", " << r.params.size() << " arguments");
        VARIANT result = Var(VT_I4, 123);
        UINT argErr = none;
        EXPECT_EQ(Call(d.Get(), r.id, r.flags, std::move(r.params), &result, &argErr, r.named), r.hr);
        EXPECT_EQ(argErr, r.argErr);
        EXPECT_EQ(V_VT(&result), r.resultVt);
        if (r.resultVt != VT_EMPTY) {
            EXPECT_EQ(r.resultVt == VT_BOOL ? LONG{V_BOOL(&result)} : V_I4(&result), r.resultValue);
        }
    }
    // Only the first call changed the image: the texts became 1.0 and 20.
    EXPECT_EQ(Image(o.Get()), Brightened(Pattern(4, 3), 20));
    EXPECT_EQ(d->Invoke(101, IID_NULL, 0, M, nullptr, nullptr, nullptr, nullptr), DISP_E_BADVARTYPE);
    DISPPARAMS noArgs = {nullptr, nullptr, 2, 0};
    EXPECT_EQ(d->Invoke(101, IID_NULL, 0, M, &noArgs, nullptr, nullptr, nullptr), DISP_E_BADVARTYPE);

    // The caller's arguments hold the converted values afterwards, also
    // through a variant by reference, and also when a later one failed.
    std::vector<VARIANT> kept;
    VARIANT level = Text(L"-20");
    EXPECT_EQ(Call(d.Get(), 101, M, {Text(L"1"), Ref(VT_VARIANT, &level)}, nullptr, nullptr, {}, &kept), S_OK);
    EXPECT_TRUE(V_VT(&kept[0]) == VT_R8 && V_R8(&kept[0]) == 1.0);
    EXPECT_TRUE(V_VT(&level) == VT_I4 && V_I4(&level) == -20);
    EXPECT_EQ(Image(o.Get()), Pattern(4, 3));
    EXPECT_EQ(Call(d.Get(), 101, M, {Text(L"1"), Text(L"x")}, nullptr, nullptr, {}, &kept), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(V_VT(&kept[0]), VT_R8);
    for (VARIANT& v : kept) VariantClear(&v);
}

TEST(LateBound, ImagesThroughVariants) {
    ComPtr<IVideoTransform> o = Create();
    ComPtr<IDispatch> d;
    ASSERT_EQ(o.As(&d), S_OK);
    SAFEARRAYBOUND bounds[3] = {{4, 0}, {3, 0}, {2, 0}};
    SAFEARRAY *bytes = SafeArrayCreate(VT_UI1, 3, bounds), *variants = SafeArrayCreate(VT_VARIANT, 3, bounds);
    std::memcpy(bytes->pvData, Pattern(3, 2).data(), 24);
    VARIANT inner = Ref(VT_ARRAY | VT_UI1, &bytes);
    EXPECT_EQ(Call(d.Get(), 1, DISPATCH_METHOD, {Ref(VT_ARRAY | VT_UI1, &bytes)}), S_OK);
    EXPECT_EQ(o->AdjustBrightness(1.0, 20), S_OK);
    EXPECT_EQ(Call(d.Get(), 1, DISPATCH_METHOD, {Ref(VT_VARIANT, &inner)}), S_OK);
    EXPECT_EQ(Image(o.Get()), Pattern(3, 2));
    // An array of variants, by reference or by value, reaches the member,
    // which refuses it (the call by value clears the variant: the array).
    EXPECT_EQ(Call(d.Get(), 1, DISPATCH_METHOD, {Ref(VT_ARRAY | VT_VARIANT, &variants)}), S_FALSE);
    EXPECT_EQ(Call(d.Get(), 1, DISPATCH_METHOD, {Var(VT_ARRAY | VT_VARIANT, reinterpret_cast<LONGLONG>(variants))}), S_FALSE);
    EXPECT_EQ(Image(o.Get()), Pattern(3, 2));
    EXPECT_EQ(Call(d.Get(), 2, DISPATCH_METHOD, {Ref(VT_UI1, bytes)}), S_OK);
    EXPECT_EQ(o->AdjustBrightness(1.0, 20), S_OK);
    EXPECT_EQ(std::memcmp(bytes->pvData, Brightened(Pattern(3, 2), 20).data(), 24), 0);
    // GetSafeArray fills a byte array by reference, or a variable (a variant
    // by reference) with VT_ARRAY | VT_UI1; without an image it empties it.
    SAFEARRAY* slot = nullptr;
    VARIANT variable = Var(VT_I4, 42);
    EXPECT_EQ(Call(d.Get(), 3, DISPATCH_METHOD, {Ref(VT_ARRAY | VT_UI1, &slot)}), S_OK);
    EXPECT_EQ(Call(d.Get(), 3, DISPATCH_METHOD, {Ref(VT_VARIANT, &variable)}), S_OK);
    ASSERT_TRUE(slot != nullptr && V_VT(&variable) == (VT_ARRAY | VT_UI1));
    EXPECT_EQ(std::memcmp(slot->pvData, bytes->pvData, 24), 0);
    EXPECT_EQ(std::memcmp(V_ARRAY(&variable)->pvData, bytes->pvData, 24), 0);
    ComPtr<IDispatch> empty;
    ASSERT_EQ(Create().As(&empty), S_OK);
    EXPECT_EQ(Call(empty.Get(), 3, DISPATCH_METHOD, {Ref(VT_VARIANT, &variable)}), S_FALSE);
    EXPECT_EQ(V_VT(&variable), VT_EMPTY);
    for (SAFEARRAY* a : {bytes, slot}) SafeArrayDestroy(a);
}

TEST(LateBound, NameLookup) {
    ComPtr<IDispatch> d;
    ASSERT_EQ(Create().As(&d), S_OK);
    wchar_t a[] = L"adjustbrightness", b[] = L"Level", c[] = L"UseMask";
    LPOLESTR names[3] = {a, b, c};
    DISPID ids[3] = {-7, -7, -7};
    // The lookup stops at the first unknown name.
    EXPECT_EQ(d->GetIDsOfNames(IID_NULL, names, 3, 0, ids), DISP_E_UNKNOWNNAME);
    EXPECT_TRUE(ids[0] == 101 && ids[1] == -7 && ids[2] == -7);
    EXPECT_EQ(d->GetIDsOfNames(IID_NULL, names + 2, 1, 0, ids), S_OK);
    EXPECT_EQ(ids[0], 0);
    EXPECT_EQ(d->GetIDsOfNames(IID_NULL, names, 0, 0, ids), S_OK);
}

// The conversion of texts keeps every code unit, embedded zeros included.
TEST(LateBound, TextsKeepEveryCodeUnit) {
    BSTR b = SysAllocStringLen(L"a\0\x00E9\xD83D\xDE00z", 6);
    EXPECT_EQ(std::u16string_view(vtx::automation::Portable(b)), std::u16string_view(u"a\0\u00E9\U0001F600z", 6));
    SysFreeString(b);
    EXPECT_TRUE(std::u16string_view(vtx::automation::Portable(BSTR{})).empty());
}

// ---------------------------------------------------------------------------
// The type library in the DLL against the member table.

TEST(TypeLibrary, MatchesTheMemberTable) {
    ComPtr<ITypeLib> lib;
    ASSERT_EQ(LoadTypeLibEx(g_dll.c_str(), REGKIND_NONE, &lib), S_OK);
    TLIBATTR* la = nullptr;
    ASSERT_EQ(lib->GetLibAttr(&la), S_OK);
    EXPECT_TRUE(IsEqualGUID(la->guid, LIBID_TavrixVideoTransform) && la->wMajorVerNum == 1 && la->wMinorVerNum == 0);
    EXPECT_EQ(la->syskind, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
    lib->ReleaseTLibAttr(la);
    BSTR name = nullptr, doc = nullptr;
    ASSERT_EQ(lib->GetDocumentation(-1, &name, &doc, nullptr, nullptr), S_OK);
    EXPECT_EQ(Take(name) + L"|" + Take(doc), L"TavrixVideoTransform|TavrixVideoTransform 1.0 Type Library");
    ComPtr<ITypeInfo> coclass, dispatchInfo, info;
    ASSERT_EQ(lib->GetTypeInfoOfGuid(CLSID_VideoTransform, &coclass), S_OK);
    ASSERT_EQ(coclass->GetDocumentation(MEMBERID_NIL, &name, &doc, nullptr, nullptr), S_OK);
    EXPECT_EQ(Take(name) + L"|" + Take(doc), L"VideoTransform|VideoTransform Class");
    ASSERT_EQ(lib->GetTypeInfoOfGuid(IID_IVideoTransform, &dispatchInfo), S_OK);
    HREFTYPE ref = 0;
    INT implFlags = 0;
    ASSERT_EQ(coclass->GetImplTypeFlags(0, &implFlags), S_OK);
    EXPECT_EQ(implFlags, IMPLTYPEFLAG_FDEFAULT);
    ASSERT_EQ(dispatchInfo->GetRefTypeOfImplType(-1, &ref), S_OK);  // the vtable part of the dual interface
    ASSERT_EQ(dispatchInfo->GetRefTypeInfo(ref, &info), S_OK);
    TYPEATTR* ta = nullptr;
    ASSERT_EQ(coclass->GetTypeAttr(&ta), S_OK);
    EXPECT_TRUE(ta->typekind == TKIND_COCLASS && (ta->wTypeFlags & TYPEFLAG_FCANCREATE) && ta->cImplTypes == 1);
    coclass->ReleaseTypeAttr(ta);
    ASSERT_EQ(info->GetTypeAttr(&ta), S_OK);
    EXPECT_EQ(ta->wTypeFlags & (TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION), TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION);
    ASSERT_EQ(ta->cFuncs, vtx::kMemberCount);
    info->ReleaseTypeAttr(ta);
    ASSERT_EQ(info->GetDocumentation(MEMBERID_NIL, nullptr, &doc, nullptr, nullptr), S_OK);
    EXPECT_EQ(Take(doc), L"IVideoTransform Interface");

    ComPtr<IVideoTransform> object = Create();
    ComPtr<ITypeInfo> handedOut;
    ASSERT_EQ(object->GetTypeInfo(0, 0, &handedOut), S_OK);
    UINT count = 0;
    EXPECT_TRUE(object->GetTypeInfoCount(&count) == S_OK && count == 1);
    const VARTYPE kVt[] = {VT_R8, VT_I4, VT_BOOL, VT_UI1, VT_BSTR, VT_SAFEARRAY, VT_UI1};  // by vtx::ParamType
    for (int i = 0; i < vtx::kMemberCount; ++i) {
        const vtx::MemberInfo& m = vtx::kMembers[i];
        SCOPED_TRACE(std::string(m.id));
        FUNCDESC* f = nullptr;
        ASSERT_EQ(info->GetFuncDesc(static_cast<UINT>(i), &f), S_OK);
        const INVOKEKIND kinds[] = {INVOKE_FUNC, INVOKE_PROPERTYGET, INVOKE_PROPERTYPUT};
        EXPECT_EQ(f->memid, m.dispid);
        EXPECT_EQ(f->invkind, kinds[static_cast<int>(m.kind)]);
        EXPECT_EQ(f->oVft, static_cast<SHORT>((7 + i) * sizeof(void*)));  // after IUnknown and IDispatch
        EXPECT_EQ(f->elemdescFunc.tdesc.vt, VT_HRESULT);
        ASSERT_EQ(f->cParams, m.paramCount);
        for (int p = 0; p < m.paramCount; ++p) {
            const vtx::ParamInfo& want = m.params[p];
            const TYPEDESC& t = f->lprgelemdescParam[p].tdesc;
            const bool pointer = want.dir != vtx::ParamDir::In || want.type >= vtx::ParamType::ImageArray;
            const VARTYPE vt = pointer ? (t.vt == VT_PTR ? t.lptdesc->vt : VARTYPE{VT_ILLEGAL}) : t.vt;
            ASSERT_LT(static_cast<std::size_t>(want.type), std::size(kVt));
            EXPECT_EQ(vt, kVt[static_cast<int>(want.type)]) << want.name;
            if (vt == VT_SAFEARRAY) {
                EXPECT_EQ(t.lptdesc->lptdesc->vt, VT_UI1);
            }
            const USHORT flags[] = {PARAMFLAG_FIN, PARAMFLAG_FOUT, PARAMFLAG_FIN | PARAMFLAG_FOUT, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL};
            EXPECT_EQ(f->lprgelemdescParam[p].paramdesc.wParamFlags, flags[static_cast<int>(want.dir)]) << want.name;
        }
        // Names: the member's, then its parameters' (a property put's value
        // has none; accessors sharing a DISPID are described by the first).
        BSTR names[vtx::kMaxParams + 1] = {};
        UINT n = 0;
        ASSERT_EQ(info->GetNames(f->memid, names, vtx::kMaxParams + 1, &n), S_OK);
        const vtx::MemberInfo& first = *std::find_if(vtx::kMembers, vtx::kMembers + vtx::kMemberCount,
                                                     [&](const vtx::MemberInfo& x) { return x.dispid == m.dispid; });
        EXPECT_EQ(n, static_cast<UINT>(1 + first.paramCount - (first.kind == vtx::MemberKind::PropertyPut)));
        for (UINT k = 0; k < n; ++k) {
            const std::string_view want = k == 0 ? m.name : first.params[k - 1].name;
            EXPECT_EQ(Take(names[k]), std::wstring(want.begin(), want.end()));
        }
        ASSERT_EQ(info->GetDocumentation(f->memid, nullptr, &doc, nullptr, nullptr), S_OK);
        EXPECT_EQ(Take(doc), std::wstring(m.help.begin(), m.help.end()));
        // The object's name lookup agrees with the type information's.
        std::wstring wide(m.name.begin(), m.name.end());
        LPOLESTR member[1] = {wide.data()};
        MEMBERID fromInfo = -7;
        DISPID fromObject = -7;
        EXPECT_EQ(handedOut->GetIDsOfNames(member, 1, &fromInfo), S_OK);
        EXPECT_EQ(object->GetIDsOfNames(IID_NULL, member, 1, 0, &fromObject), S_OK);
        EXPECT_TRUE(fromInfo == m.dispid && fromObject == m.dispid);
        info->ReleaseFuncDesc(f);
    }
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    std::string phase;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--dll=", 0) == 0) g_dll.assign(arg.begin() + 6, arg.end());
        if (arg.rfind("--phase=", 0) == 0) phase = arg.substr(8);
    }
    if (g_dll.empty() || (phase != "registered" && phase != "unregistered")) {
        std::fprintf(stderr, "usage: vtx_automation_tests --dll=PATH --phase=registered|unregistered\n");
        return 2;
    }
    testing::GTEST_FLAG(filter) = phase == "registered" ? "-Unregistered.*" : "Unregistered.*";
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 3;
    const int result = RUN_ALL_TESTS();
    CoUninitialize();
    return result;
}
