// CVideoTransform: the COM class behind VideoTransform. It implements the
// dual interface IVideoTransform and IProvideClassInfo, can be aggregated,
// and owns one image session. Every interface member converts its platform
// arguments and forwards to the portable operation of the same name; the
// overrides themselves are generated from the member table.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <oleauto.h>

#include <cstdint>
#include <new>

#include "TavrixVideoTransform.h"
#include "automation/com_params.h"
#include "draw/gdiplus_use.h"
#include "operations.h"

namespace vtx::automation {

// The module lock count: live objects plus LockServer(TRUE) calls.
void LockModule();
void UnlockModule();
LONG ModuleLockCount();

// The module's own handle and file name (for the type library and the
// InprocServer32 entry).
HMODULE ThisModule();
// Loads the type library embedded in this module (resource TYPELIB 1).
HRESULT LoadEmbeddedTypeLib(ITypeLib** lib);

// The image exchange members, which take the automation array types. They
// live beside the portable operations so that the generated forwarders can
// name every member the same way: forward::Member(session, args...).
namespace forward {
using namespace ::vtx;

// The array check shared by both set methods. Steps 1-5 fail without
// touching the session; on success the element counts of dimensions 2
// and 3 and the data pointer are written to width, height and data.
bool ValidateImageArray(SAFEARRAY* array, std::int64_t* width, std::int64_t* height, std::uint8_t** data);

std::int32_t SetSafeArray(ImageSession& s, SAFEARRAY** array);
std::int32_t SetSafeArrayPtr(ImageSession& s, unsigned char* safeArray);
std::int32_t GetSafeArray(ImageSession& s, SAFEARRAY** array);
std::int32_t get_BackColor(ImageSession& s, LONG* color);

// The text members with the host's font object: the object's IFont handle
// read as a logical font (LOGFONTA). A null object, a handle of 0 or a
// handle GetObjectA cannot read gives the default font; an object without
// IFont refuses the call with 1, the image unchanged.
std::int32_t DrawTextA(ImageSession& s, double Completeness, LONG Left, LONG Top, std::u16string_view Text,
                       IFontDisp* Font, LONG Color, LONG Alpha);
std::int32_t DrawText2(ImageSession& s, double Completeness, LONG Left, LONG Top, LONG Right, LONG Bottom,
                       std::u16string_view Text, IFontDisp* Font, LONG Color, LONG Alpha);
std::int32_t DrawCredits(ImageSession& s, double Completeness, std::u16string_view Text, IFontDisp* Font,
                         LONG Color, LONG Alpha, LONG Type);

}  // namespace forward

class CVideoTransform final : public IVideoTransform, public IProvideClassInfo {
public:
    // Creates an object, plain (outer == null) or aggregated, and returns the
    // interface riid. An aggregated object can only be asked for IUnknown.
    static HRESULT Create(IUnknown* outer, REFIID riid, void** object);

    // IUnknown, delegating to the controlling unknown.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDispatch.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* dispids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) override;

    // IProvideClassInfo.
    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** info) override;

    // IVideoTransform: one forwarder per member of the table. A conversion
    // that runs out of memory refuses the call with 1.
#define P VTX_COM_TYPE_
#define VTX_COM_OVERRIDE_(id, name, dispid, kind, help, ...)                                 \
    HRESULT STDMETHODCALLTYPE id(VTX_COM_DECL_(__VA_ARGS__)) override {                      \
        try {                                                                                \
            return static_cast<HRESULT>(forward::id(session_, VTX_COM_ARGS_(__VA_ARGS__)));  \
        } catch (const std::bad_alloc&) {                                                    \
            return S_FALSE;                                                                  \
        }                                                                                    \
    }
    VTX_MEMBERS(VTX_COM_OVERRIDE_)
#undef VTX_COM_OVERRIDE_
#undef P

private:
    // The non-delegating IUnknown: the object's identity when aggregated.
    class Inner final : public IUnknown {
    public:
        explicit Inner(CVideoTransform* owner) : owner_(owner) {}
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
        ULONG STDMETHODCALLTYPE AddRef() override;
        ULONG STDMETHODCALLTYPE Release() override;

    private:
        CVideoTransform* owner_;
    };

    explicit CVideoTransform(IUnknown* outer);
    ~CVideoTransform();

    HRESULT LoadTypeInfo(REFGUID guid, ITypeInfo** info);

    // Placed in the counter while the object is torn down, so that calls made
    // from the destructor cannot bring it to 0 again.
    static constexpr LONG kDestructionGuard = 0x3FFFFFFF;

    LONG refs_ = 1;
    Inner inner_;
    IUnknown* controlling_;  // the outer unknown, or inner_
    bool aggregated_;
    ITypeInfo* interfaceInfo_ = nullptr;  // loaded on first use
    // GDI+ stays started for the object's lifetime: it is started before the
    // session exists and shut down after it is gone (anything the session
    // draws with must be released first).
    draw::GdiplusUse gdiplus_;
    ImageSession session_;
};

}  // namespace vtx::automation
