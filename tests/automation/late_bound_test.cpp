// Late-bound calls through IDispatch: name lookup, the argument checks of
// Invoke in their order, argument conversion, the two properties and the
// image members.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "com_test_support.h"
#include "session/members.h"

namespace vtxtest {
namespace {

// The interface's complete name list with the DISPIDs the names map to.
// Names of members that exist in this build must resolve to these DISPIDs;
// names of members not built yet must be unknown.
struct NameEntry {
    const char* name;
    DISPID dispid;
};
const NameEntry kAllNames[] = {
    {"UseMask", 0}, {"get_UseMask", 0}, {"put_UseMask", 0}, {"SetSafeArray", 1}, {"SetSafeArrayPtr", 2},
    {"GetSafeArray", 3}, {"BackColor", 501}, {"put_BackColor", 501}, {"get_BackColor", 501},
    {"AdjustBrightness", 101}, {"AdjustBrightnessEx", 102}, {"AdjustContrast", 103}, {"AdjustGamma", 104},
    {"AdjustEqualize", 105}, {"AdjustGrayscale", 106}, {"AdjustInvert", 107}, {"AdjustAutocontrast", 108},
    {"AdjustAutolevels", 109}, {"AdjustHue", 110}, {"AdjustSaturation", 111}, {"AdjustPosterize", 112},
    {"AdjustTemperature", 113}, {"AdjustColorize", 114}, {"AdjustThreshold", 115}, {"EffectBlur", 201},
    {"EffectSharpen", 202}, {"EffectMosaic", 203}, {"EffectGaussianBlur", 204}, {"EffectNoise", 205},
    {"EffectDiffuse", 206}, {"EffectMotionBlur", 207}, {"EffectEmboss", 208}, {"EffectMinimal", 209},
    {"EffectMaximal", 210}, {"EffectDeinterlace", 211}, {"EffectMedian", 212}, {"TransformFlip", 301},
    {"TransformPerspective", 302}, {"TransformSkew", 303}, {"TransformShift", 304}, {"TransformRotate", 305},
    {"TransformResample", 306}, {"TransformZoom", 307}, {"TransformMirror", 308}, {"TransformResize", 309},
    {"TransformTwirl", 310}, {"TransformSphere", 311}, {"TransformCylinder", 312}, {"FilterPrewitt", 400},
    {"FilterScharr", 401}, {"FilterSobel", 402}, {"FilterSobelExt", 403}, {"FilterRoberts", 404},
    {"FilterLaplace", 405}, {"FilterHipass", 406}, {"FilterLowpass", 407}, {"FilterBlur", 408},
    {"FilterCanny", 409}, {"UtilitySwapChannels", 500}, {"DrawLine", 1101}, {"DrawRectangle", 1102},
    {"DrawEllipse", 1103}, {"DrawInvRectangle", 1105}, {"DrawInvEllipse", 1106}, {"DrawImage", 1107},
    {"DrawImagePtr", 1108}, {"DrawTextA", 1109}, {"DrawText2", 1110}, {"DrawCredits", 1111},
    {"DrawBorder", 1112}, {"DrawMovObject", 1201},
};
static_assert(sizeof(kAllNames) / sizeof(kAllNames[0]) == 71);

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

// Whether the member table has a member answering to this late-bound name.
bool Built(const std::string& name) {
    for (const vtx::MemberInfo& m : vtx::kMembers) {
        if (name == m.name) return true;
        if (m.kind == vtx::MemberKind::PropertyGet && name == "get_" + std::string(m.name)) return true;
        if (m.kind == vtx::MemberKind::PropertyPut && name == "put_" + std::string(m.name)) return true;
    }
    return false;
}

VARIANT Make(VARTYPE vt) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = vt;
    return v;
}
VARIANT Bstr(const wchar_t* text) {
    VARIANT v = Make(VT_BSTR);
    V_BSTR(&v) = SysAllocString(text);
    return v;
}
VARIANT I4(LONG value) {
    VARIANT v = Make(VT_I4);
    V_I4(&v) = value;
    return v;
}
VARIANT R8(double value) {
    VARIANT v = Make(VT_R8);
    V_R8(&v) = value;
    return v;
}
VARIANT Bool(VARIANT_BOOL value) {
    VARIANT v = Make(VT_BOOL);
    V_BOOL(&v) = value;
    return v;
}
// A by-reference variant (clearing it leaves the referent alone).
VARIANT Ref(VARTYPE vt, void* p) {
    VARIANT v = Make(vt | VT_BYREF);
    V_BYREF(&v) = p;
    return v;
}

// Arguments in rgvarg order, cleared at scope end.
class Args {
public:
    // Parameters in declaration order; stored last first.
    explicit Args(std::vector<VARIANT> declared) : v_(declared.rbegin(), declared.rend()) {}
    ~Args() {
        for (VARIANT& v : v_) VariantClear(&v);
    }
    Args(const Args&) = delete;
    Args& operator=(const Args&) = delete;
    VARIANT* Data() { return v_.data(); }
    UINT Count() const { return static_cast<UINT>(v_.size()); }
    // The variant of the k-th declared parameter.
    VARIANT& Param(UINT k) { return v_[v_.size() - 1 - k]; }

private:
    std::vector<VARIANT> v_;
};

// An unknown object that is not a dispatch object: no conversion can turn it
// into a number.
class PlainUnknown final : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (out == nullptr) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown)) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }
    long refs = 1;
};

class LateBound : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(CreateObject(object_.Out()), S_OK);
        ASSERT_EQ(object_->QueryInterface(IID_IDispatch, dispatch_.OutVoid()), S_OK);
    }
    void SetPattern(IVideoTransform* o, std::int32_t w, std::int32_t h) {
        Array a(MakeImageArray(w, h));
        SAFEARRAY* p = a.Get();
        ASSERT_EQ(o->SetSafeArray(&p), S_OK);
    }
    std::vector<std::uint8_t> Image(IVideoTransform* o, std::size_t bytes) {
        Array out;
        EXPECT_EQ(o->GetSafeArray(out.Out()), S_OK);
        if (out.Get() == nullptr) return {};
        return ArrayBytes(out.Get(), bytes);
    }
    HRESULT Call(DISPID id, Args& a, UINT* argErr = nullptr, VARIANT* result = nullptr) {
        return InvokeWith(dispatch_.Get(), id, DISPATCH_METHOD, a.Data(), a.Count(), result, argErr);
    }
    // A type mismatch reported at rgvarg position `pos`.
    void ExpectMismatchAt(DISPID id, Args& a, UINT pos) {
        UINT argErr = 77;
        EXPECT_EQ(Call(id, a, &argErr), DISP_E_TYPEMISMATCH);
        EXPECT_EQ(argErr, pos);
    }
    // The dispatch interface of a new object without an image.
    void Fresh(Ptr<IDispatch>& d) {
        Ptr<IVideoTransform> o;
        ASSERT_EQ(CreateObject(o.Out()), S_OK);
        ASSERT_EQ(o->QueryInterface(IID_IDispatch, d.OutVoid()), S_OK);
    }

    Ptr<IVideoTransform> object_;
    Ptr<IDispatch> dispatch_;
};

TEST_F(LateBound, EveryInterfaceNameInAnyCase) {
    int resolved = 0;
    for (const NameEntry& e : kAllNames) {
        const std::string name = e.name;
        std::string lower = name, upper = name;
        for (char& c : lower) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
        for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
        for (const std::string& spelling : {name, lower, upper}) {
            std::wstring w = Wide(spelling);
            LPOLESTR names[1] = {&w[0]};
            DISPID id = -99;
            const HRESULT hr = dispatch_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
            if (Built(name)) {
                EXPECT_EQ(hr, S_OK) << spelling;
                EXPECT_EQ(id, e.dispid) << spelling;
            } else {
                EXPECT_EQ(hr, DISP_E_UNKNOWNNAME) << spelling;
                EXPECT_EQ(id, -99) << spelling;
            }
        }
        if (Built(name)) ++resolved;
    }
    // Every member of the table is reachable by name; a property by its
    // plain name and get_/put_ each.
    int expected = vtx::kMemberCount;
    for (const vtx::MemberInfo& m : vtx::kMembers) expected += (m.kind == vtx::MemberKind::PropertyGet) ? 1 : 0;
    EXPECT_EQ(resolved, expected);
}

TEST_F(LateBound, NameLookupOrderAndFailures) {
    std::wstring a = L"adjustbrightness", b = L"Level", c = L"UseMask";
    LPOLESTR names[3] = {&a[0], &b[0], &c[0]};
    DISPID ids[3] = {-7, -7, -7};
    EXPECT_EQ(dispatch_->GetIDsOfNames(IID_NULL, names, 3, LOCALE_USER_DEFAULT, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], 101);
    EXPECT_EQ(ids[1], -7);
    EXPECT_EQ(ids[2], -7);  // lookup stops at the first unknown name
    LPOLESTR two[2] = {&c[0], &a[0]};
    EXPECT_EQ(dispatch_->GetIDsOfNames(IID_NULL, two, 2, LOCALE_USER_DEFAULT, ids), S_OK);
    EXPECT_EQ(ids[0], 0);
    EXPECT_EQ(ids[1], 101);
    EXPECT_EQ(dispatch_->GetIDsOfNames(IID_NULL, names, 0, LOCALE_USER_DEFAULT, ids), S_OK);
    EXPECT_EQ(dispatch_->GetIDsOfNames(IID_NULL, nullptr, 1, LOCALE_USER_DEFAULT, ids), E_POINTER);
    EXPECT_EQ(dispatch_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, nullptr), E_POINTER);
    LPOLESTR none[1] = {nullptr};
    EXPECT_EQ(dispatch_->GetIDsOfNames(IID_NULL, none, 1, LOCALE_USER_DEFAULT, ids), DISP_E_UNKNOWNNAME);
    std::wstring empty, prefix = L"get_", spaced = L"UseMask ", getMethod = L"get_AdjustBrightness";
    std::wstring longName(5000, L'A');
    for (std::wstring* w : {&empty, &prefix, &spaced, &getMethod, &longName}) {
        LPOLESTR one[1] = {&(*w)[0]};
        EXPECT_EQ(dispatch_->GetIDsOfNames(IID_NULL, one, 1, LOCALE_USER_DEFAULT, ids), DISP_E_UNKNOWNNAME);
    }
}

TEST_F(LateBound, ArgumentConversions) {
    SetPattern(object_.Get(), 4, 3);
    // Texts are converted, and the caller's arguments hold the converted
    // values afterwards.
    Args args({Bstr(L"1"), Bstr(L"20")});
    UINT argErr = 77;
    EXPECT_EQ(Call(101, args, &argErr), S_OK);
    EXPECT_EQ(argErr, 77u);
    EXPECT_EQ(Image(object_.Get(), 48), Brightened(PatternBytes(4, 3), 20));
    EXPECT_EQ(V_VT(&args.Param(0)), VT_R8);
    EXPECT_EQ(V_R8(&args.Param(0)), 1.0);
    EXPECT_EQ(V_VT(&args.Param(1)), VT_I4);
    EXPECT_EQ(V_I4(&args.Param(1)), 20);

    // A variant by reference stands for the variant it refers to, which
    // receives the converted value.
    VARIANT level = Bstr(L"20");
    Args byRef({R8(1.0), Ref(VT_VARIANT, &level)});
    EXPECT_EQ(Call(101, byRef), S_OK);
    EXPECT_EQ(V_VT(&level), VT_I4);
    EXPECT_EQ(V_I4(&level), 20);
    EXPECT_EQ(Image(object_.Get(), 48), Brightened(PatternBytes(4, 3), 40));
}

TEST_F(LateBound, UnconvertibleArgumentsReportTheirPosition) {
    SetPattern(object_.Get(), 4, 3);
    // An unknown object that is no dispatch object converts to no number.
    PlainUnknown unknown;
    {
        Args args({Bstr(L"1"), Make(VT_UNKNOWN)});
        V_UNKNOWN(&args.Param(1)) = &unknown;
        unknown.AddRef();
        ExpectMismatchAt(101, args, 0);  // Level is rgvarg[0]
        // Completeness was converted before Level failed, and stays so.
        EXPECT_EQ(V_VT(&args.Param(0)), VT_R8);
        EXPECT_EQ(V_VT(&args.Param(1)), VT_UNKNOWN);
        EXPECT_EQ(Call(101, args), DISP_E_TYPEMISMATCH);
    }
    {
        Args args({Make(VT_UNKNOWN), I4(20)});
        V_UNKNOWN(&args.Param(0)) = &unknown;
        unknown.AddRef();
        ExpectMismatchAt(101, args, 1);
    }
    EXPECT_EQ(unknown.refs, 1);
    {
        // A byte out of range: the conversion's overflow becomes a type
        // mismatch.
        Args args({I4(2), I4(300), I4(0)});
        ExpectMismatchAt(500, args, 1);
        EXPECT_EQ(V_VT(&args.Param(0)), VT_UI1);
        EXPECT_EQ(V_VT(&args.Param(1)), VT_I4);
    }
    Args text({Bstr(L"one"), I4(20)});
    ExpectMismatchAt(101, text, 1);
    // A scalar by reference where a value is wanted.
    LONG byRef = 20;
    Args scalarRef({R8(1.0), Ref(VT_I4, &byRef)});
    ExpectMismatchAt(101, scalarRef, 0);
    // Nothing ran.
    EXPECT_EQ(Image(object_.Get(), 48), PatternBytes(4, 3));
}

TEST_F(LateBound, ArgumentCountsAndStepOrder) {
    Args one({R8(1.0)}), three({R8(1.0), I4(1), I4(2)});
    EXPECT_EQ(Call(101, one), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(Call(101, three), DISP_E_BADPARAMCOUNT);

    // More than nine arguments fail before the result is touched and before
    // any member is chosen.
    std::vector<VARIANT> many(10);
    for (VARIANT& v : many) v = I4(1);
    Args ten(many);
    VARIANT result = I4(123);
    for (DISPID id : {DISPID{101}, DISPID{1104}, DISPID{0}}) {
        EXPECT_EQ(InvokeWith(dispatch_.Get(), id, DISPATCH_METHOD, ten.Data(), 10, &result), DISP_E_BADPARAMCOUNT);
        EXPECT_EQ(V_VT(&result), VT_I4);
    }
    EXPECT_EQ(dispatch_->Invoke(101, IID_NULL, 0, DISPATCH_METHOD, nullptr, &result, nullptr, nullptr),
              DISP_E_BADVARTYPE);
    EXPECT_EQ(V_VT(&result), VT_I4);
    // Arguments counted but not given are no usable parameters either.
    EXPECT_EQ(InvokeWith(dispatch_.Get(), 101, DISPATCH_METHOD, nullptr, 2, &result), DISP_E_BADVARTYPE);

    // Named arguments other than the one property-put name fail after the
    // result is cleared.
    Args two({R8(1.0), I4(0)});
    DISPID named[2] = {DISPID_PROPERTYPUT, 0};
    EXPECT_EQ(InvokeWith(dispatch_.Get(), 101, DISPATCH_METHOD, two.Data(), 2, &result, nullptr, named + 1, 1),
              DISP_E_NONAMEDARGS);
    EXPECT_EQ(V_VT(&result), VT_EMPTY);
    EXPECT_EQ(InvokeWith(dispatch_.Get(), 101, DISPATCH_METHOD, two.Data(), 2, nullptr, nullptr, named, 2),
              DISP_E_NONAMEDARGS);
    EXPECT_EQ(InvokeWith(dispatch_.Get(), 101, DISPATCH_METHOD, two.Data(), 2, nullptr, nullptr, nullptr, 1),
              DISP_E_NONAMEDARGS);
    // The property-put name is accepted for any member.
    EXPECT_EQ(InvokeWith(dispatch_.Get(), 101, DISPATCH_METHOD, two.Data(), 2, nullptr, nullptr, named, 1), S_OK);
    // ... and the named-argument check comes before the member selection.
    EXPECT_EQ(InvokeWith(dispatch_.Get(), 1104, DISPATCH_METHOD, two.Data(), 2, nullptr, nullptr, named + 1, 1),
              DISP_E_NONAMEDARGS);

    for (DISPID id : {DISPID{1104}, DISPID{4}, DISPID{100}, DISPID{502}, DISPID{-1}, DISPID{-5}}) {
        EXPECT_EQ(Call(id, two), DISP_E_MEMBERNOTFOUND) << id;
    }
}

TEST_F(LateBound, MethodsLeaveTheResultEmpty) {
    SetPattern(object_.Get(), 2, 2);
    Args args({R8(1.0), I4(20)});
    VARIANT result = I4(5);
    EXPECT_EQ(Call(101, args, nullptr, &result), S_OK);
    EXPECT_EQ(V_VT(&result), VT_EMPTY);
    // A member's refusal is its result code 1.
    Ptr<IDispatch> d;
    Fresh(d);
    EXPECT_EQ(InvokeWith(d.Get(), 101, DISPATCH_METHOD, args.Data(), 2, &result), S_FALSE);
}

TEST_F(LateBound, Properties) {
    const WORD get = DISPATCH_PROPERTYGET, put = DISPATCH_PROPERTYPUT, both = get | put;
    auto invoke = [&](DISPID id, WORD flags, VARIANT* args, UINT count, VARIANT* result = nullptr,
                      DISPID* named = nullptr, UINT namedCount = 0) {
        return InvokeWith(dispatch_.Get(), id, flags, args, count, result, nullptr, named, namedCount);
    };
    Variant result;
    // UseMask: put -1, get gives VT_BOOL -1.
    Args minusOne({Bool(VARIANT_TRUE)});
    DISPID named = DISPID_PROPERTYPUT;
    EXPECT_EQ(invoke(0, put, minusOne.Data(), 1, nullptr, &named, 1), S_OK);
    EXPECT_EQ(invoke(0, get, nullptr, 0, &result.v), S_OK);
    EXPECT_EQ(V_VT(&result.v), VT_BOOL);
    EXPECT_EQ(V_BOOL(&result.v), VARIANT_TRUE);
    EXPECT_EQ(invoke(0, get, nullptr, 0), S_OK);

    // A VT_BOOL 1 is passed as it is and counts as false; a VT_I4 1 is
    // converted to VT_BOOL first, which makes it true.
    VARIANT_BOOL mask = 5;
    Args bool1({Bool(1)}), int1({I4(1)});
    EXPECT_EQ(invoke(0, put, bool1.Data(), 1), S_OK);
    EXPECT_EQ(object_->get_UseMask(&mask), S_OK);
    EXPECT_EQ(mask, VARIANT_FALSE);
    EXPECT_EQ(invoke(0, put, int1.Data(), 1), S_OK);
    EXPECT_EQ(V_VT(&int1.Param(0)), VT_BOOL);
    EXPECT_EQ(object_->get_UseMask(&mask), S_OK);
    EXPECT_EQ(mask, VARIANT_TRUE);

    // BackColor: a text is converted to VT_I4.
    Args color({Bstr(L"16711680")}), color2({I4(0x123456)});
    EXPECT_EQ(invoke(501, put, color.Data(), 1), S_OK);
    EXPECT_EQ(invoke(501, get, nullptr, 0, &result.v), S_OK);
    EXPECT_EQ(V_VT(&result.v), VT_I4);
    EXPECT_EQ(V_I4(&result.v), 0x00FF0000);

    // Counts, both flags (UseMask reads, BackColor writes) and neither.
    EXPECT_EQ(invoke(0, get, minusOne.Data(), 1, &result.v), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(invoke(0, put, nullptr, 0), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(invoke(501, get, color.Data(), 1, &result.v), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(invoke(0, both, nullptr, 0, &result.v), S_OK);
    EXPECT_EQ(V_VT(&result.v), VT_BOOL);
    EXPECT_EQ(invoke(0, both, minusOne.Data(), 1, &result.v), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(invoke(501, both, color2.Data(), 1, &result.v), S_OK);
    EXPECT_EQ(V_VT(&result.v), VT_EMPTY);
    LONG stored = 0;
    EXPECT_EQ(object_->get_BackColor(&stored), S_OK);
    EXPECT_EQ(stored, 0x123456);
    EXPECT_EQ(invoke(501, both, nullptr, 0, &result.v), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(invoke(0, DISPATCH_METHOD, nullptr, 0, &result.v), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(invoke(501, DISPATCH_METHOD, color2.Data(), 1, &result.v), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(invoke(501, DISPATCH_PROPERTYPUTREF, color2.Data(), 1, &result.v), DISP_E_MEMBERNOTFOUND);
}

TEST_F(LateBound, ImageExchangeThroughVariants) {
    Array host(MakeImageArray(3, 2));
    SAFEARRAY* p = host.Get();
    // SetSafeArray: the array by reference, directly or through a variant
    // by reference.
    Args byRef({Ref(VT_ARRAY | VT_UI1, &p)});
    EXPECT_EQ(Call(1, byRef), S_OK);
    EXPECT_EQ(Image(object_.Get(), 24), PatternBytes(3, 2));
    VARIANT inner = Ref(VT_ARRAY | VT_UI1, &p);
    Args viaVariant({Ref(VT_VARIANT, &inner)});
    EXPECT_EQ(object_->AdjustBrightness(1.0, 20), S_OK);
    EXPECT_EQ(Call(1, viaVariant), S_OK);
    EXPECT_EQ(Image(object_.Get(), 24), PatternBytes(3, 2));

    // An array of variants reaches the member, which refuses it and keeps
    // the image.
    SAFEARRAYBOUND bounds[3] = {{4, 0}, {3, 0}, {2, 0}};
    Array variants(SafeArrayCreate(VT_VARIANT, 3, bounds));
    SAFEARRAY* pv = variants.Get();
    EXPECT_EQ(object_->AdjustBrightness(1.0, 20), S_OK);
    Args variantArrayRef({Ref(VT_ARRAY | VT_VARIANT, &pv)});
    EXPECT_EQ(Call(1, variantArrayRef), S_FALSE);
    Args variantArray({Make(VT_ARRAY | VT_VARIANT)});
    V_ARRAY(&variantArray.Param(0)) = variants.Get();
    EXPECT_EQ(Call(1, variantArray), S_FALSE);
    V_VT(&variantArray.Param(0)) = VT_EMPTY;  // the array is not the argument's own
    EXPECT_EQ(Image(object_.Get(), 24), Brightened(PatternBytes(3, 2), 20));

    // A byte array by value is not the demanded by-reference array, and the
    // conversion cannot make one.
    Args byValue({Make(VT_ARRAY | VT_UI1)});
    V_ARRAY(&byValue.Param(0)) = host.Get();
    ExpectMismatchAt(1, byValue, 0);
    EXPECT_EQ(V_VT(&byValue.Param(0)), VT_ARRAY | VT_UI1);
    V_VT(&byValue.Param(0)) = VT_EMPTY;

    // SetSafeArrayPtr: the array's address as a byte reference.
    Args ptr({Ref(VT_UI1, host.Get())});
    EXPECT_EQ(Call(2, ptr), S_OK);
    EXPECT_EQ(object_->AdjustBrightness(1.0, 20), S_OK);
    EXPECT_EQ(ArrayBytes(host.Get(), 24), Brightened(PatternBytes(3, 2), 20));

    // Not an array at all.
    Args number({I4(5)});
    for (DISPID id : {DISPID{1}, DISPID{2}, DISPID{3}}) ExpectMismatchAt(id, number, 0);
}

TEST_F(LateBound, GetSafeArrayThroughVariants) {
    SetPattern(object_.Get(), 3, 2);
    // A byte array by reference receives the new array.
    SAFEARRAY* slot = nullptr;
    Args byRef({Ref(VT_ARRAY | VT_UI1, &slot)});
    EXPECT_EQ(Call(3, byRef), S_OK);
    ASSERT_NE(slot, nullptr);
    Array created(slot);
    EXPECT_EQ(ArrayBytes(created.Get(), 24), PatternBytes(3, 2));

    // A variant by reference (what script hosts pass for a variable) ends up
    // holding the array as VT_ARRAY | VT_UI1.
    VARIANT variable = I4(42);
    Args viaVariant({Ref(VT_VARIANT, &variable)});
    EXPECT_EQ(Call(3, viaVariant), S_OK);
    ASSERT_EQ(V_VT(&variable), VT_ARRAY | VT_UI1);
    EXPECT_EQ(SafeArrayGetDim(V_ARRAY(&variable)), 3u);
    EXPECT_EQ(ArrayBytes(V_ARRAY(&variable), 24), PatternBytes(3, 2));
    VariantClear(&variable);

    // Without an image the member refuses, and the variable is left empty.
    Ptr<IDispatch> d;
    Fresh(d);
    variable = Bstr(L"previous");
    EXPECT_EQ(InvokeWith(d.Get(), 3, DISPATCH_METHOD, viaVariant.Data(), 1), S_FALSE);
    EXPECT_EQ(V_VT(&variable), VT_EMPTY);
}

}  // namespace
}  // namespace vtxtest
