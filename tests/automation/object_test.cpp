// Creation, identity, reference counts, aggregation, module lifetime and
// objects on two threads.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "com_test_support.h"

namespace vtxtest {
namespace {

using DllGetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

class Module {
public:
    Module() : module_(LoadLibraryW(DllPath().c_str())) {}
    ~Module() {
        if (module_ != nullptr) FreeLibrary(module_);
    }
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;
    DllGetClassObjectFn GetClassObject() const {
        return reinterpret_cast<DllGetClassObjectFn>(
            reinterpret_cast<void*>(GetProcAddress(module_, "DllGetClassObject")));
    }
    bool Loaded() const { return module_ != nullptr; }

private:
    HMODULE module_;
};

TEST(Creation, DllGetClassObject) {
    Module module;
    ASSERT_TRUE(module.Loaded());
    DllGetClassObjectFn get = module.GetClassObject();
    ASSERT_NE(get, nullptr);

    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(get(IID_IVideoTransform, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(get(CLSID_VideoTransform, IID_IClassFactory, nullptr), E_POINTER);
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(get(CLSID_VideoTransform, IID_IDispatch, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);

    Ptr<IClassFactory> factory;
    ASSERT_EQ(get(CLSID_VideoTransform, IID_IClassFactory, factory.OutVoid()), S_OK);
    Ptr<IUnknown> unknown;
    ASSERT_EQ(get(CLSID_VideoTransform, IID_IUnknown, unknown.OutVoid()), S_OK);

    Ptr<IVideoTransform> object;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IVideoTransform, object.OutVoid()), S_OK);
    EXPECT_EQ(object->put_BackColor(0x123456), S_OK);
    LONG color = 0;
    EXPECT_EQ(object->get_BackColor(&color), S_OK);
    EXPECT_EQ(color, 0x123456);

    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IVideoTransform, nullptr), E_POINTER);
}

TEST(Lifetime, DllCanUnloadNowFollowsObjectsAndLocks) {
    ASSERT_EQ(CallDllCanUnloadNow(), S_OK);
    {
        Ptr<IVideoTransform> a, b;
        ASSERT_EQ(CreateObject(a.Out()), S_OK);
        EXPECT_EQ(CallDllCanUnloadNow(), S_FALSE);
        ASSERT_EQ(CreateObject(b.Out()), S_OK);
        a.Reset();
        EXPECT_EQ(CallDllCanUnloadNow(), S_FALSE);
    }
    EXPECT_EQ(CallDllCanUnloadNow(), S_OK);

    Ptr<IClassFactory> factory;
    ASSERT_EQ(CoGetClassObject(CLSID_VideoTransform, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                               factory.OutVoid()),
              S_OK);
    // Holding the factory does not lock the module; LockServer does.
    EXPECT_EQ(CallDllCanUnloadNow(), S_OK);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(CallDllCanUnloadNow(), S_FALSE);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    EXPECT_EQ(CallDllCanUnloadNow(), S_FALSE);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    EXPECT_EQ(CallDllCanUnloadNow(), S_OK);

    // Reference counts, shared with the second interface.
    IVideoTransform* object = nullptr;
    ASSERT_EQ(CreateObject(&object), S_OK);
    EXPECT_EQ(object->AddRef(), 2u);
    EXPECT_EQ(object->AddRef(), 3u);
    EXPECT_EQ(object->Release(), 2u);
    IProvideClassInfo* info = nullptr;
    ASSERT_EQ(object->QueryInterface(IID_IProvideClassInfo, reinterpret_cast<void**>(&info)), S_OK);
    EXPECT_EQ(info->Release(), 2u);
    EXPECT_EQ(object->Release(), 1u);
    EXPECT_EQ(CallDllCanUnloadNow(), S_FALSE);
    EXPECT_EQ(object->Release(), 0u);
    EXPECT_EQ(CallDllCanUnloadNow(), S_OK);
}

TEST(Identity, QueryInterfaceRules) {
    Ptr<IVideoTransform> object;
    ASSERT_EQ(CreateObject(object.Out()), S_OK);
    Ptr<IUnknown> unknown;
    Ptr<IDispatch> dispatch;
    Ptr<IVideoTransform> again;
    Ptr<IProvideClassInfo> classInfo;
    ASSERT_EQ(object->QueryInterface(IID_IUnknown, unknown.OutVoid()), S_OK);
    ASSERT_EQ(object->QueryInterface(IID_IDispatch, dispatch.OutVoid()), S_OK);
    ASSERT_EQ(object->QueryInterface(IID_IVideoTransform, again.OutVoid()), S_OK);
    ASSERT_EQ(object->QueryInterface(IID_IProvideClassInfo, classInfo.OutVoid()), S_OK);
    // IUnknown, IDispatch and IVideoTransform are one pointer.
    EXPECT_EQ(static_cast<void*>(unknown.Get()), static_cast<void*>(object.Get()));
    EXPECT_EQ(static_cast<void*>(dispatch.Get()), static_cast<void*>(object.Get()));
    EXPECT_EQ(again.Get(), object.Get());
    EXPECT_NE(static_cast<void*>(classInfo.Get()), static_cast<void*>(object.Get()));
    // Identity and reflexivity through the second interface.
    Ptr<IUnknown> unknown2;
    Ptr<IVideoTransform> back;
    ASSERT_EQ(classInfo->QueryInterface(IID_IUnknown, unknown2.OutVoid()), S_OK);
    EXPECT_EQ(unknown2.Get(), unknown.Get());
    ASSERT_EQ(classInfo->QueryInterface(IID_IVideoTransform, back.OutVoid()), S_OK);
    EXPECT_EQ(back.Get(), object.Get());

    for (const IID* iid : {&IID_IClassFactory, &IID_IPersist, &IID_IProvideClassInfo2,
                           &IID_IConnectionPointContainer, &IID_ITypeInfo}) {
        void* out = reinterpret_cast<void*>(1);
        EXPECT_EQ(object->QueryInterface(*iid, &out), E_NOINTERFACE);
        EXPECT_EQ(out, nullptr);
    }
    EXPECT_EQ(object->QueryInterface(IID_IUnknown, nullptr), E_POINTER);

    // The class description.
    Ptr<ITypeInfo> info;
    ASSERT_EQ(classInfo->GetClassInfo(info.Out()), S_OK);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->typekind, TKIND_COCLASS);
    EXPECT_TRUE(IsEqualGUID(attr->guid, CLSID_VideoTransform));
    info->ReleaseTypeAttr(attr);
    EXPECT_EQ(classInfo->GetClassInfo(nullptr), E_POINTER);
}

// An outer object that aggregates a VideoTransform and answers one
// interface of its own (IPersist) to show where delegated calls land.
class Outer final : public IPersist {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        ++queries;
        if (out == nullptr) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPersist)) {
            *out = static_cast<IPersist*>(this);
            AddRef();
            return S_OK;
        }
        if (inner != nullptr) return inner->QueryInterface(riid, out);
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* id) override {
        *id = CLSID_NULL;
        return S_OK;
    }
    IUnknown* inner = nullptr;
    long refs = 1;
    int queries = 0;
};

TEST(Aggregation, DelegatesToTheOuterUnknown) {
    Outer outer;
    void* out = reinterpret_cast<void*>(1);
    // An aggregated object can only be asked for IUnknown.
    EXPECT_EQ(CoCreateInstance(CLSID_VideoTransform, &outer, CLSCTX_INPROC_SERVER, IID_IVideoTransform, &out),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(out, nullptr);
    ASSERT_EQ(CoCreateInstance(CLSID_VideoTransform, &outer, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(&outer.inner)),
              S_OK);
    ASSERT_NE(outer.inner, nullptr);
    EXPECT_EQ(outer.refs, 1);  // the inner object holds no reference on the outer one
    EXPECT_EQ(CallDllCanUnloadNow(), S_FALSE);

    // The inner unknown is not the outer one, and answers IUnknown with itself.
    IUnknown* innerAgain = nullptr;
    ASSERT_EQ(outer.inner->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&innerAgain)), S_OK);
    EXPECT_EQ(innerAgain, outer.inner);
    EXPECT_EQ(innerAgain->Release(), 1u);

    // Interfaces of the inner object delegate IUnknown to the outer one.
    IVideoTransform* video = nullptr;
    ASSERT_EQ(outer.QueryInterface(IID_IVideoTransform, reinterpret_cast<void**>(&video)), S_OK);
    EXPECT_EQ(outer.refs, 2);  // AddRef went to the outer object
    const int queriesBefore = outer.queries;
    IPersist* persist = nullptr;
    ASSERT_EQ(video->QueryInterface(IID_IPersist, reinterpret_cast<void**>(&persist)), S_OK);
    EXPECT_EQ(persist, static_cast<IPersist*>(&outer));
    EXPECT_EQ(outer.queries, queriesBefore + 1);
    EXPECT_EQ(outer.refs, 3);
    IUnknown* identity = nullptr;
    ASSERT_EQ(video->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
    EXPECT_EQ(identity, static_cast<IUnknown*>(&outer));
    EXPECT_EQ(outer.refs, 4);
    identity->Release();
    persist->Release();
    EXPECT_EQ(video->AddRef(), 3u);
    EXPECT_EQ(video->Release(), 2u);
    EXPECT_EQ(video->put_BackColor(77), S_OK);
    LONG color = 0;
    EXPECT_EQ(video->get_BackColor(&color), S_OK);
    EXPECT_EQ(color, 77);
    video->Release();
    EXPECT_EQ(outer.refs, 1);

    EXPECT_EQ(outer.inner->Release(), 0u);
    outer.inner = nullptr;
    EXPECT_EQ(CallDllCanUnloadNow(), S_OK);
}

TEST(Threads, TwoObjectsOnTwoThreadsAtOnce) {
    // Each thread is its own apartment with its own object; both work on
    // their own images at the same time and must get exact results.
    constexpr int kRounds = 20;
    auto work = [](int level, HRESULT* status, std::vector<std::uint8_t>* image) {
        *status = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (FAILED(*status)) return;
        {
            Ptr<IVideoTransform> object;
            *status = CreateObject(object.Out());
            if (*status == S_OK) {
                Array input(MakeImageArray(64, 48));
                SAFEARRAY* in = input.Get();
                *status = object->SetSafeArray(&in);
                for (int i = 0; i < kRounds && *status == S_OK; ++i) {
                    *status = object->AdjustBrightness(1.0, level);
                    if (*status == S_OK) *status = object->AdjustBrightness(1.0, -level);
                }
                if (*status == S_OK) *status = object->AdjustBrightness(1.0, level);
                Array output;
                if (*status == S_OK) *status = object->GetSafeArray(output.Out());
                if (*status == S_OK) *image = ArrayBytes(output.Get(), 4 * 64 * 48);
            }
        }
        CoUninitialize();
    };
    HRESULT status1 = E_FAIL, status2 = E_FAIL;
    std::vector<std::uint8_t> image1, image2;
    std::thread t1(work, 5, &status1, &image1);
    std::thread t2(work, 7, &status2, &image2);
    t1.join();
    t2.join();
    ASSERT_EQ(status1, S_OK);
    ASSERT_EQ(status2, S_OK);
    // The pattern's colour bytes stay within 0..200, so +5/-5 and +7/-7 round
    // trips are exact.
    EXPECT_EQ(image1, Brightened(PatternBytes(64, 48), 5));
    EXPECT_EQ(image2, Brightened(PatternBytes(64, 48), 7));
    EXPECT_EQ(CallDllCanUnloadNow(), S_OK);
}

}  // namespace
}  // namespace vtxtest
