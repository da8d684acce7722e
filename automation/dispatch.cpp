// Late binding: Invoke and its argument conversion. The dispatch table and
// every member's argument handling are generated from the member table; no
// member is handled by name here.
#include <cstddef>
#include <tuple>
#include <type_traits>
#include <utility>

#include "automation/dispatch.h"
#include "automation/video_transform.h"

namespace vtx::automation {

HRESULT CoerceArgument(VARIANT* argument, VARTYPE wanted, VARIANT** converted) {
    VARIANT* arg = argument;
    if (V_VT(arg) == (VT_VARIANT | VT_BYREF)) {
        arg = V_VARIANTREF(arg);
        if (arg == nullptr) return DISP_E_TYPEMISMATCH;
    }
    // A referenced variant of the demanded type is used as it is (some
    // VariantChangeType implementations refuse by-reference targets even
    // between equal types).
    if (V_VT(arg) == wanted) {
        *converted = arg;
        return S_OK;
    }
    const bool argByRef = (V_VT(arg) & VT_BYREF) != 0;
    const bool wantedByRef = (wanted & VT_BYREF) != 0;
    if (argByRef != wantedByRef && (wanted & VT_ARRAY) == 0) return DISP_E_TYPEMISMATCH;

    VARIANT scratch;
    VariantInit(&scratch);
    const HRESULT hr = VariantChangeType(&scratch, arg, 0, wanted);
    if (SUCCEEDED(hr)) {
        VariantClear(arg);
        *arg = scratch;
        *converted = arg;
        return S_OK;
    }
    // An array of variants asked for as a byte array goes through unchanged;
    // the member then refuses it by its element type.
    if (hr == DISP_E_TYPEMISMATCH && (wanted & VT_ARRAY) != 0 &&
        (V_VT(arg) & ~VT_BYREF) == (VT_ARRAY | VT_VARIANT)) {
        *converted = arg;
        return S_OK;
    }
    return hr;
}

namespace {

// One argument of a member call: Prepare converts the caller's variant (in
// place) and keeps what the member receives; Finish runs after the call.
template <std::int32_t Key, class Enable = void>
struct ArgSlot {
    using Param = ComParam<Key>;
    VARIANT* source = nullptr;

    bool Prepare(VARIANT* arg) {
        if (V_VT(arg) == Param::vt) {
            source = arg;
            return true;
        }
        return SUCCEEDED(CoerceArgument(arg, Param::vt, &source));
    }
    typename Param::type Value() const {
        if constexpr (Key == ParamKey(ParamType::Double, ParamDir::In)) {
            return V_R8(source);
        } else if constexpr (Key == ParamKey(ParamType::Int32, ParamDir::In)) {
            return V_I4(source);
        } else if constexpr (Key == ParamKey(ParamType::Bool, ParamDir::In)) {
            return V_BOOL(source);
        } else if constexpr (Key == ParamKey(ParamType::Byte, ParamDir::In)) {
            return V_UI1(source);
        } else if constexpr (Key == ParamKey(ParamType::Text, ParamDir::In)) {
            return V_BSTR(source);
        } else if constexpr (Key == ParamKey(ParamType::ImagePointer, ParamDir::In)) {
            return V_UI1REF(source);
        } else {
            static_assert(Key == ParamKey(ParamType::ImageArray, ParamDir::In), "parameter kind without a slot");
            // A byte array by reference, or an array of variants let through
            // by the conversion: by reference, or held in the variant itself.
            if (V_VT(source) & VT_BYREF) return V_ARRAYREF(source);
            return &V_ARRAY(source);
        }
    }
    void Finish(HRESULT) {}
};

// The out array of GetSafeArray is not converted. A byte array by
// reference receives the new array through its pointer; a by-reference
// variant is cleared and, when the member succeeds, holds the new array as
// VT_ARRAY | VT_UI1. Anything else is a type mismatch.
template <std::int32_t Key>
struct ArgSlot<Key, std::enable_if_t<Key == ParamKey(ParamType::ImageArray, ParamDir::Out)>> {
    SAFEARRAY** target = nullptr;
    VARIANT* variant = nullptr;
    SAFEARRAY* created = nullptr;

    bool Prepare(VARIANT* arg) {
        if (V_VT(arg) == (VT_ARRAY | VT_UI1 | VT_BYREF)) {
            target = V_ARRAYREF(arg);
            return true;
        }
        if (V_VT(arg) == (VT_VARIANT | VT_BYREF) && V_VARIANTREF(arg) != nullptr) {
            variant = V_VARIANTREF(arg);
            if (FAILED(VariantClear(variant))) return false;
            target = &created;
            return true;
        }
        return false;
    }
    SAFEARRAY** Value() const { return target; }
    void Finish(HRESULT result) {
        if (variant != nullptr && result == S_OK && created != nullptr) {
            V_VT(variant) = VT_ARRAY | VT_UI1;
            V_ARRAY(variant) = created;
        }
    }
};

// A font object, not converted: VT_DISPATCH or VT_UNKNOWN holding an
// object that provides IFontDisp (directly or by reference, or in a
// referenced variant) is passed on; a null object, VT_EMPTY and VT_NULL are
// the default font (null). Anything else, VT_RECORD included (a record is
// no font object), and an object without IFontDisp, is a type mismatch.
template <std::int32_t Key>
struct ArgSlot<Key, std::enable_if_t<Key == ParamKey(ParamType::Font, ParamDir::In)>> {
    IFontDisp* font = nullptr;

    ArgSlot() = default;
    ArgSlot(const ArgSlot&) = delete;
    ArgSlot& operator=(const ArgSlot&) = delete;
    ~ArgSlot() {
        if (font != nullptr) font->Release();
    }

    bool Prepare(VARIANT* arg) {
        VARIANT* v = arg;
        if (V_VT(v) == (VT_VARIANT | VT_BYREF)) v = V_VARIANTREF(v);
        if (v == nullptr) return false;
        IUnknown* object = nullptr;
        switch (V_VT(v)) {
            case VT_EMPTY:
            case VT_NULL: return true;
            case VT_DISPATCH: object = V_DISPATCH(v); break;
            case VT_UNKNOWN: object = V_UNKNOWN(v); break;
            case VT_DISPATCH | VT_BYREF:
                if (V_DISPATCHREF(v) == nullptr) return false;
                object = *V_DISPATCHREF(v);
                break;
            case VT_UNKNOWN | VT_BYREF:
                if (V_UNKNOWNREF(v) == nullptr) return false;
                object = *V_UNKNOWNREF(v);
                break;
            default: return false;
        }
        if (object == nullptr) return true;
        return SUCCEEDED(object->QueryInterface(IID_IFontDisp, reinterpret_cast<void**>(&font))) && font != nullptr;
    }
    IFontDisp* Value() const { return font; }
    void Finish(HRESULT) {}
};

template <std::int32_t Index, class Call, std::size_t... N>
HRESULT CallWithArguments(DISPPARAMS* params, UINT* argErr, Call call, std::index_sequence<N...>) {
    constexpr MemberInfo m = kMembers[Index];
    std::tuple<ArgSlot<ParamKey(m.params[N])>...> slots;
    const UINT count = params->cArgs;
    // Declaration order; the first parameter is the last variant.
    bool ok = true;
    UINT failed = 0;
    ((ok = ok && (std::get<N>(slots).Prepare(&params->rgvarg[count - 1 - N]) || ((failed = count - 1 - N), false))),
     ...);
    if (!ok) {
        if (argErr != nullptr) *argErr = failed;
        return DISP_E_TYPEMISMATCH;
    }
    const HRESULT result = call(std::get<N>(slots).Value()...);
    (std::get<N>(slots).Finish(result), ...);
    return result;
}

// Store of a property value in the caller's result variant.
inline void StoreResult(VARIANT* result, VARIANT_BOOL value) {
    V_VT(result) = VT_BOOL;
    V_BOOL(result) = value;
}
inline void StoreResult(VARIANT* result, LONG value) {
    V_VT(result) = VT_I4;
    V_I4(result) = value;
}

template <std::int32_t Index, class Call>
HRESULT InvokeMember(DISPPARAMS* params, VARIANT* result, UINT* argErr, Call call) {
    constexpr MemberInfo m = kMembers[Index];
    if constexpr (m.kind == MemberKind::PropertyGet) {
        static_assert(m.paramCount == 1 && m.params[0].dir == ParamDir::OutRetval);
        if (params->cArgs != 0) return DISP_E_BADPARAMCOUNT;
        std::remove_pointer_t<ComType<ParamKey(m.params[0])>> value{};
        const HRESULT hr = call(&value);
        if (result != nullptr) StoreResult(result, value);
        return hr;
    } else {
        if (params->cArgs != static_cast<UINT>(m.paramCount)) return DISP_E_BADPARAMCOUNT;
        return CallWithArguments<Index>(params, argErr, call, std::make_index_sequence<m.paramCount>{});
    }
}

struct DispatchEntry {
    DISPID dispid;
    MemberKind kind;
    HRESULT (*invoke)(IVideoTransform* self, DISPPARAMS* params, VARIANT* result, UINT* argErr);
};

#define VTX_COM_DISPATCH_ENTRY_(id, name, dispid, kind, help, ...)                                          \
    DispatchEntry{dispid, MemberKind::kind,                                                                 \
                  [](IVideoTransform* self, DISPPARAMS* params, VARIANT* result, UINT* argErr) -> HRESULT { \
                      return InvokeMember<MemberIndex(#id)>(params, result, argErr,                         \
                                                            [self](auto... a) { return self->id(a...); });  \
                  }},

const DispatchEntry kDispatchTable[] = {VTX_MEMBERS(VTX_COM_DISPATCH_ENTRY_)};

#undef VTX_COM_DISPATCH_ENTRY_

}  // namespace

HRESULT InvokeVideoTransform(IVideoTransform* self, DISPID dispid, WORD flags, DISPPARAMS* params,
                             VARIANT* result, UINT* argErr) {
    if (params == nullptr) return DISP_E_BADVARTYPE;
    if (params->cArgs > static_cast<UINT>(kMaxParams)) return DISP_E_BADPARAMCOUNT;
    if (params->cArgs > 0 && params->rgvarg == nullptr) return DISP_E_BADVARTYPE;
    if (result != nullptr) VariantInit(result);
    if (params->cNamedArgs > 0) {
        if (params->cNamedArgs != 1 || params->rgdispidNamedArgs == nullptr ||
            params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) {
            return DISP_E_NONAMEDARGS;
        }
    }
    for (const DispatchEntry& e : kDispatchTable) {
        if (e.dispid != dispid) continue;
        // A property takes the first of its accessors, in table order, whose
        // flag the caller set.
        const bool selected = e.kind == MemberKind::Method ||
                              (e.kind == MemberKind::PropertyGet && (flags & DISPATCH_PROPERTYGET) != 0) ||
                              (e.kind == MemberKind::PropertyPut && (flags & DISPATCH_PROPERTYPUT) != 0);
        if (selected) return e.invoke(self, params, result, argErr);
    }
    // An unknown identifier, or a property asked for with neither flag.
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT STDMETHODCALLTYPE CVideoTransform::Invoke(DISPID dispid, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                                  VARIANT* result, EXCEPINFO*, UINT* argErr) {
    return InvokeVideoTransform(this, dispid, flags, params, result, argErr);
}

}  // namespace vtx::automation
