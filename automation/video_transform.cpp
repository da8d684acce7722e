#include "automation/video_transform.h"

#include <olectl.h>

#include <cstring>
#include <new>
#include <string>

namespace vtx::automation {

// ---------------------------------------------------------------------------
// Image exchange.

namespace forward {

bool ValidateImageArray(SAFEARRAY* array, std::int64_t* width, std::int64_t* height, std::uint8_t** data) {
    if (array == nullptr || SafeArrayGetDim(array) != 3) return false;
    VARTYPE vt = VT_EMPTY;
    if (FAILED(SafeArrayGetVartype(array, &vt)) || vt != VT_UI1) return false;
    if (SafeArrayGetElemsize(array) != 1) return false;
    LONG lower[3] = {0, 0, 0};
    LONG upper[3] = {0, 0, 0};
    for (UINT d = 0; d < 3; ++d) {
        if (FAILED(SafeArrayGetLBound(array, d + 1, &lower[d]))) return false;
        if (FAILED(SafeArrayGetUBound(array, d + 1, &upper[d]))) return false;
    }
    // Element counts in 64 bits: no bound pair can overflow them.
    const auto count = [&](int d) { return std::int64_t{upper[d]} - lower[d] + 1; };
    if (count(0) != 4) return false;
    *width = count(1);
    *height = count(2);
    *data = static_cast<std::uint8_t*>(array->pvData);
    return true;
}

namespace {

// Steps 1-5 of the array check plus the byte-size check; the session's own
// set method does the rest (writes width, height and pixels, then refuses a
// null data pointer or a side below 2).
template <class Set>
std::int32_t SetImage(SAFEARRAY* array, Set set) {
    std::int64_t width = 0, height = 0;
    std::uint8_t* data = nullptr;
    if (!ValidateImageArray(array, &width, &height, &data)) return 1;
    if (!ImageSession::FitsByteSize(width, height)) return 1;
    return set(data, static_cast<std::int32_t>(width), static_cast<std::int32_t>(height));
}

}  // namespace

std::int32_t SetSafeArray(ImageSession& s, SAFEARRAY** array) {
    if (array == nullptr) return 1;
    return SetImage(*array, [&s](std::uint8_t* data, std::int32_t w, std::int32_t h) {
        return s.SetImageCopy(data, w, h);
    });
}

std::int32_t SetSafeArrayPtr(ImageSession& s, unsigned char* safeArray) {
    // The byte pointer is the SAFEARRAY descriptor itself.
    auto* array = reinterpret_cast<SAFEARRAY*>(safeArray);
    return SetImage(array, [&s](std::uint8_t* data, std::int32_t w, std::int32_t h) {
        return s.SetImageInPlace(data, w, h);
    });
}

std::int32_t GetSafeArray(ImageSession& s, SAFEARRAY** array) {
    if (array == nullptr || !s.HasImage()) return 1;
    SAFEARRAYBOUND bounds[3];
    bounds[0].cElements = 4;
    bounds[0].lLbound = 0;
    bounds[1].cElements = static_cast<ULONG>(s.width());
    bounds[1].lLbound = 0;
    bounds[2].cElements = static_cast<ULONG>(s.height());
    bounds[2].lLbound = 0;
    SAFEARRAY* created = SafeArrayCreate(VT_UI1, 3, bounds);
    if (created == nullptr) return 1;  // nothing written through array
    std::memcpy(created->pvData, s.pixels(), static_cast<std::size_t>(s.byteSize()));
    *array = created;
    return 0;
}

std::int32_t get_BackColor(ImageSession& s, LONG* color) {
    std::int32_t value = 0;
    const std::int32_t result = ::vtx::get_BackColor(s, color != nullptr ? &value : nullptr);
    if (result == 0) *color = value;
    return result;
}

namespace {

// The face name of a logical font (ANSI code page, up to its first zero
// byte) in UTF-8.
std::string FaceName(const LOGFONTA& lf) {
    const int length = static_cast<int>(strnlen(lf.lfFaceName, LF_FACESIZE));
    if (length == 0) return std::string();
    wchar_t wide[LF_FACESIZE];
    const int n = MultiByteToWideChar(CP_ACP, 0, lf.lfFaceName, length, wide, LF_FACESIZE);
    char utf8[4 * LF_FACESIZE];
    const int m = n > 0 ? WideCharToMultiByte(CP_UTF8, 0, wide, n, utf8, sizeof utf8, nullptr, nullptr) : 0;
    return std::string(utf8, m > 0 ? static_cast<std::size_t>(m) : 0);
}

// Reads the font object: false when it does not provide IFont; otherwise
// *chosen is null (the default font) or `font`, filled from the object.
bool ReadFont(IFontDisp* object, draw::FontDescription& font, const draw::FontDescription** chosen) {
    *chosen = nullptr;
    if (object == nullptr) return true;
    IFont* ole = nullptr;
    if (FAILED(object->QueryInterface(IID_IFont, reinterpret_cast<void**>(&ole))) || ole == nullptr) return false;
    // The handle belongs to the font object: it is read before the release.
    HFONT handle = nullptr;
    LOGFONTA lf;
    const bool described = SUCCEEDED(ole->get_hFont(&handle)) && handle != nullptr &&
                           GetObjectA(handle, sizeof lf, &lf) == static_cast<int>(sizeof lf);
    ole->Release();
    if (!described) return true;
    font.face = FaceName(lf);
    font.height = lf.lfHeight;
    font.weight = lf.lfWeight;
    font.italic = lf.lfItalic != 0;
    font.underline = lf.lfUnderline != 0;
    font.strikeOut = lf.lfStrikeOut != 0;
    font.charset = lf.lfCharSet;
    *chosen = &font;
    return true;
}

}  // namespace

std::int32_t DrawTextA(ImageSession& s, double Completeness, LONG Left, LONG Top, std::u16string_view Text,
                       IFontDisp* Font, LONG Color, LONG Alpha) {
    draw::FontDescription description;
    const draw::FontDescription* font = nullptr;
    if (!ReadFont(Font, description, &font)) return 1;
    return ::vtx::DrawTextA(s, Completeness, Left, Top, Text, font, Color, Alpha);
}

std::int32_t DrawText2(ImageSession& s, double Completeness, LONG Left, LONG Top, LONG Right, LONG Bottom,
                       std::u16string_view Text, IFontDisp* Font, LONG Color, LONG Alpha) {
    draw::FontDescription description;
    const draw::FontDescription* font = nullptr;
    if (!ReadFont(Font, description, &font)) return 1;
    return ::vtx::DrawText2(s, Completeness, Left, Top, Right, Bottom, Text, font, Color, Alpha);
}

std::int32_t DrawCredits(ImageSession& s, double Completeness, std::u16string_view Text, IFontDisp* Font,
                         LONG Color, LONG Alpha, LONG Type) {
    draw::FontDescription description;
    const draw::FontDescription* font = nullptr;
    if (!ReadFont(Font, description, &font)) return 1;
    return ::vtx::DrawCredits(s, Completeness, Text, font, Color, Alpha, Type);
}

}  // namespace forward

// ---------------------------------------------------------------------------
// Lifetime and identity.

CVideoTransform::CVideoTransform(IUnknown* outer)
    : inner_(this), controlling_(outer != nullptr ? outer : &inner_), aggregated_(outer != nullptr) {
    LockModule();
}

CVideoTransform::~CVideoTransform() {
    if (interfaceInfo_ != nullptr) interfaceInfo_->Release();
    UnlockModule();
}

HRESULT CVideoTransform::Create(IUnknown* outer, REFIID riid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr && !IsEqualIID(riid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
    auto* created = new (std::nothrow) CVideoTransform(outer);
    if (created == nullptr) return E_OUTOFMEMORY;
    const HRESULT hr = created->inner_.QueryInterface(riid, object);
    created->inner_.Release();  // the reference held since construction
    return hr;
}

HRESULT STDMETHODCALLTYPE CVideoTransform::Inner::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(riid, IID_IUnknown)) {
        if (owner_->aggregated_) {
            *object = static_cast<IUnknown*>(this);
        } else {
            *object = static_cast<IVideoTransform*>(owner_);
        }
    } else if (IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, IID_IVideoTransform)) {
        *object = static_cast<IVideoTransform*>(owner_);
    } else if (IsEqualIID(riid, IID_IProvideClassInfo)) {
        *object = static_cast<IProvideClassInfo*>(owner_);
    } else {
        return E_NOINTERFACE;
    }
    static_cast<IUnknown*>(*object)->AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE CVideoTransform::Inner::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&owner_->refs_));
}

ULONG STDMETHODCALLTYPE CVideoTransform::Inner::Release() {
    const LONG refs = InterlockedDecrement(&owner_->refs_);
    if (refs == 0) {
        owner_->refs_ = kDestructionGuard;
        delete owner_;
    }
    return static_cast<ULONG>(refs);
}

HRESULT STDMETHODCALLTYPE CVideoTransform::QueryInterface(REFIID riid, void** object) {
    return controlling_->QueryInterface(riid, object);
}

ULONG STDMETHODCALLTYPE CVideoTransform::AddRef() { return controlling_->AddRef(); }

ULONG STDMETHODCALLTYPE CVideoTransform::Release() { return controlling_->Release(); }

// ---------------------------------------------------------------------------
// Type information.

HRESULT CVideoTransform::LoadTypeInfo(REFGUID guid, ITypeInfo** info) {
    ITypeLib* lib = nullptr;
    HRESULT hr = LoadEmbeddedTypeLib(&lib);
    if (FAILED(hr)) return hr;
    hr = lib->GetTypeInfoOfGuid(guid, info);
    lib->Release();
    return hr;
}

HRESULT STDMETHODCALLTYPE CVideoTransform::GetTypeInfoCount(UINT* count) {
    if (count == nullptr) return E_POINTER;
    if (interfaceInfo_ == nullptr && FAILED(LoadTypeInfo(IID_IVideoTransform, &interfaceInfo_))) {
        interfaceInfo_ = nullptr;
        *count = 0;
        return S_OK;
    }
    *count = 1;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CVideoTransform::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
    if (info == nullptr) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    if (interfaceInfo_ == nullptr) {
        const HRESULT hr = LoadTypeInfo(IID_IVideoTransform, &interfaceInfo_);
        if (FAILED(hr)) {
            interfaceInfo_ = nullptr;
            return hr;
        }
    }
    interfaceInfo_->AddRef();
    *info = interfaceInfo_;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CVideoTransform::GetClassInfo(ITypeInfo** info) {
    if (info == nullptr) return E_POINTER;
    *info = nullptr;
    return LoadTypeInfo(CLSID_VideoTransform, info);
}

// ---------------------------------------------------------------------------
// Names.

HRESULT STDMETHODCALLTYPE CVideoTransform::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                                        DISPID* dispids) {
    if (count == 0) return S_OK;
    if (names == nullptr || dispids == nullptr) return E_POINTER;
    // Member names are short ASCII words; a longer name matches none of them
    // (and nothing is allocated here).
    constexpr std::size_t kLongestName = 64;
    char16_t name[kLongestName];
    for (UINT i = 0; i < count; ++i) {
        if (names[i] == nullptr) return DISP_E_UNKNOWNNAME;
        std::size_t length = 0;
        while (length < kLongestName && names[i][length] != 0) {
            name[length] = static_cast<char16_t>(names[i][length]);
            ++length;
        }
        if (length == kLongestName) return DISP_E_UNKNOWNNAME;
        const std::int32_t dispid = FindDispId(std::u16string_view(name, length));
        if (dispid < 0) return DISP_E_UNKNOWNNAME;
        dispids[i] = dispid;
    }
    return S_OK;
}

}  // namespace vtx::automation
