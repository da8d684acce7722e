#include "automation/vtx/com_executor.h"

#include <olectl.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <variant>

namespace vtx::cli {

namespace {

constexpr const wchar_t* kProgId = L"TavrixVideoTransform.VideoTransform";

std::string HexCode(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

VARIANT Empty() {
    VARIANT v;
    VariantInit(&v);
    return v;
}

}  // namespace

ComExecutor::~ComExecutor() {
    if (object_ != nullptr) object_->Release();
    for (SAFEARRAY* a : inPlace_) SafeArrayDestroy(a);
}

bool ComExecutor::Connect(std::string& error) {
    CLSID clsid;
    HRESULT hr = CLSIDFromProgID(kProgId, &clsid);
    if (FAILED(hr)) {
        error = "the VideoTransform component is not registered (regsvr32 TavrixVideoTransform.dll): " + HexCode(hr);
        return false;
    }
    hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&object_));
    if (FAILED(hr)) {
        object_ = nullptr;
        error = "cannot create the VideoTransform object: " + HexCode(hr);
        return false;
    }
    return true;
}

DISPID ComExecutor::Id(std::string_view name) {
    std::wstring wide(name.begin(), name.end());
    LPOLESTR names[1] = {&wide[0]};
    DISPID id = -1;
    if (FAILED(object_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return -1;
    return id;
}

HRESULT ComExecutor::Call(DISPID id, WORD flags, std::vector<VARIANT>& declared, VARIANT* result) {
    std::vector<VARIANT> args(declared.rbegin(), declared.rend());
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params;
    params.rgvarg = args.empty() ? nullptr : args.data();
    params.cArgs = static_cast<UINT>(args.size());
    params.rgdispidNamedArgs = (flags & DISPATCH_PROPERTYPUT) ? &named : nullptr;
    params.cNamedArgs = (flags & DISPATCH_PROPERTYPUT) ? 1 : 0;
    const HRESULT hr = object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr, nullptr);
    // The object may have converted arguments in place: the caller's copies
    // are refreshed so that their owned values are freed exactly once.
    for (std::size_t i = 0; i < args.size(); ++i) declared[declared.size() - 1 - i] = args[i];
    return hr;
}

SAFEARRAY* ComExecutor::MakeArray(const Image& image) {
    SAFEARRAYBOUND bounds[3];
    bounds[0].cElements = 4;
    bounds[0].lLbound = 0;
    bounds[1].cElements = static_cast<ULONG>(image.width);
    bounds[1].lLbound = 0;
    bounds[2].cElements = static_cast<ULONG>(image.height);
    bounds[2].lLbound = 0;
    SAFEARRAY* a = SafeArrayCreate(VT_UI1, 3, bounds);
    if (a == nullptr) return nullptr;
    if (!image.pixels.empty()) std::memcpy(a->pvData, image.pixels.data(), image.pixels.size());
    return a;
}

bool ComExecutor::ReadArray(SAFEARRAY* array, Image& out) {
    if (array == nullptr || SafeArrayGetDim(array) != 3) return false;
    LONG lower[3], upper[3];
    for (UINT d = 0; d < 3; ++d) {
        if (FAILED(SafeArrayGetLBound(array, d + 1, &lower[d])) || FAILED(SafeArrayGetUBound(array, d + 1, &upper[d])))
            return false;
    }
    const std::int64_t w = std::int64_t{upper[1]} - lower[1] + 1, h = std::int64_t{upper[2]} - lower[2] + 1;
    if (std::int64_t{upper[0]} - lower[0] + 1 != 4 || w < 1 || h < 1 || 4 * w * h > INT32_MAX) return false;
    out.width = static_cast<std::int32_t>(w);
    out.height = static_cast<std::int32_t>(h);
    const auto* data = static_cast<const std::uint8_t*>(array->pvData);
    out.pixels.assign(data, data + 4 * w * h);
    return true;
}

std::int32_t ComExecutor::SetImage(const Image& image) {
    lastGiven_ = image;
    given_ = true;
    SAFEARRAY* array = MakeArray(image);
    if (array == nullptr) throw std::bad_alloc();
    std::vector<VARIANT> args(1, Empty());
    V_VT(&args[0]) = VT_ARRAY | VT_UI1 | VT_BYREF;
    V_ARRAYREF(&args[0]) = &array;
    const HRESULT hr = Call(Id("SetSafeArray"), DISPATCH_METHOD, args, nullptr);
    SafeArrayDestroy(array);
    return hr == S_OK ? 0 : 1;
}

bool ComExecutor::GetImage(Image& out) {
    SAFEARRAY* array = nullptr;
    std::vector<VARIANT> args(1, Empty());
    V_VT(&args[0]) = VT_ARRAY | VT_UI1 | VT_BYREF;
    V_ARRAYREF(&args[0]) = &array;
    const HRESULT hr = Call(Id("GetSafeArray"), DISPATCH_METHOD, args, nullptr);
    if (hr == S_OK && array != nullptr) {
        const bool ok = ReadArray(array, out);
        SafeArrayDestroy(array);
        if (ok) return true;
    }
    if (!given_) return false;
    out = lastGiven_;
    return true;
}

CallOutcome ComExecutor::Run(PreparedCall& call, std::vector<ImageOutput>& outputs) {
    const MemberInfo& m = *call.call.member;
    CallOutcome outcome;
    // What the arguments own until the call returns.
    std::vector<VARIANT> args;
    std::vector<SAFEARRAY*> inputs;           // copies of input images
    std::vector<SAFEARRAY*> outSlots(m.paramCount, nullptr);
    std::size_t nextArg = 0, nextImage = 0;
    // Reserved up front: VARIANTs point into outSlots and inputs.
    inputs.reserve(call.images.size());
    auto cleanup = [&]() {
        for (VARIANT& v : args) {
            if ((V_VT(&v) & VT_BYREF) == 0) VariantClear(&v);
        }
        for (SAFEARRAY* a : inputs) SafeArrayDestroy(a);
        for (SAFEARRAY* a : outSlots) {
            if (a != nullptr) SafeArrayDestroy(a);
        }
    };

    for (std::int32_t p = 0; p < m.paramCount; ++p) {
        const ParamInfo& info = m.params[p];
        if (info.dir == ParamDir::OutRetval) continue;
        const ArgValue& value = call.call.args.at(nextArg++);
        VARIANT v = Empty();
        switch (info.type) {
            case ParamType::Double:
                V_VT(&v) = VT_R8;
                V_R8(&v) = std::get<double>(value);
                break;
            case ParamType::Int32:
                V_VT(&v) = VT_I4;
                V_I4(&v) = std::get<std::int32_t>(value);
                break;
            case ParamType::Bool:
                V_VT(&v) = VT_BOOL;
                V_BOOL(&v) = std::get<std::int16_t>(value);
                break;
            case ParamType::Byte:
                V_VT(&v) = VT_UI1;
                V_UI1(&v) = std::get<std::uint8_t>(value);
                break;
            case ParamType::Text: {
                const std::u16string& text = std::get<TextArg>(value).text;
                std::wstring wide(text.begin(), text.end());
                V_VT(&v) = VT_BSTR;
                V_BSTR(&v) = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
                if (V_BSTR(&v) == nullptr) {
                    cleanup();
                    throw std::bad_alloc();
                }
                break;
            }
            case ParamType::ImageArray:
                if (info.dir == ParamDir::In) {
                    SAFEARRAY* a = MakeArray(call.images.at(nextImage++));
                    if (a == nullptr) {
                        cleanup();
                        throw std::bad_alloc();
                    }
                    inputs.push_back(a);
                    V_VT(&v) = VT_ARRAY | VT_UI1 | VT_BYREF;
                    V_ARRAYREF(&v) = &inputs.back();
                    if (m.name == "SetSafeArray") {
                        lastGiven_ = call.images[nextImage - 1];
                        given_ = true;
                    }
                } else if (info.dir == ParamDir::Out) {
                    // An out array: the object creates it in the slot.
                    V_VT(&v) = VT_ARRAY | VT_UI1 | VT_BYREF;
                    V_ARRAYREF(&v) = &outSlots[p];
                } else {
                    cleanup();
                    outcome.result = 1;
                    outcome.value = "in/out image arguments are not supported by vtx.exe yet";
                    return outcome;
                }
                break;
            case ParamType::ImagePointer: {
                // The object works in this array until another image is set,
                // so it lives as long as the executor.
                const Image& image = call.images.at(nextImage++);
                SAFEARRAY* a = MakeArray(image);
                if (a == nullptr) {
                    cleanup();
                    throw std::bad_alloc();
                }
                inPlace_.push_back(a);
                lastGiven_ = image;
                given_ = true;
                V_VT(&v) = VT_UI1 | VT_BYREF;
                V_UI1REF(&v) = reinterpret_cast<unsigned char*>(a);
                break;
            }
            case ParamType::Font: {
                // A standard font object made from the description (the
                // height is the character height in pixels: 3/4 of it in
                // points at 96 dots per inch), or a null object.
                const FontArg& f = std::get<FontArg>(value);
                V_VT(&v) = VT_DISPATCH;
                V_DISPATCH(&v) = nullptr;
                if (!f.isNull) {
                    std::wstring face(f.face.size() + 1, L'\0');
                    const int n = MultiByteToWideChar(CP_UTF8, 0, f.face.data(), static_cast<int>(f.face.size()),
                                                      &face[0], static_cast<int>(face.size()));
                    face.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
                    FONTDESC desc = {};
                    desc.cbSizeofstruct = sizeof desc;
                    desc.lpstrName = &face[0];
                    desc.cySize.int64 = static_cast<LONGLONG>(f.height) * 7500;  // 1/10000 points
                    desc.sWeight = static_cast<SHORT>(f.weight);
                    desc.sCharset = static_cast<SHORT>(f.charset);
                    desc.fItalic = f.italic;
                    desc.fUnderline = f.underline;
                    desc.fStrikethrough = f.strikeOut;
                    if (FAILED(OleCreateFontIndirect(&desc, IID_IDispatch, reinterpret_cast<void**>(&V_DISPATCH(&v)))) ||
                        V_DISPATCH(&v) == nullptr) {
                        cleanup();
                        outcome.result = 1;
                        outcome.value = "cannot create the font object";
                        return outcome;
                    }
                }
                break;
            }
        }
        args.push_back(v);
    }

    WORD flags = DISPATCH_METHOD;
    if (m.kind == MemberKind::PropertyGet) flags = DISPATCH_PROPERTYGET;
    if (m.kind == MemberKind::PropertyPut) flags = DISPATCH_PROPERTYPUT;
    VARIANT result = Empty();
    const DISPID id = Id(m.name);
    const HRESULT hr = id == -1 ? DISP_E_UNKNOWNNAME : Call(id, flags, args, &result);
    if (hr == S_OK || hr == S_FALSE) {
        outcome.result = hr == S_OK ? 0 : 1;
    } else {
        outcome.result = 1;
        outcome.value = "dispatch error " + HexCode(hr);
    }

    if (m.kind == MemberKind::PropertyGet && hr == S_OK) {
        const ParamInfo& p = m.params[0];
        VARIANT shown = Empty();
        if (SUCCEEDED(VariantChangeType(&shown, &result, 0, VT_I4))) {
            outcome.value = std::string(p.name) + " = " + std::to_string(V_I4(&shown));
        }
        VariantClear(&shown);
    }
    VariantClear(&result);

    // Out arrays become files.
    nextArg = 0;
    for (std::int32_t p = 0; p < m.paramCount; ++p) {
        const ParamInfo& info = m.params[p];
        if (info.dir == ParamDir::OutRetval) continue;
        const ArgValue& value = call.call.args.at(nextArg++);
        if (info.type == ParamType::ImageArray && info.dir == ParamDir::Out && hr == S_OK) {
            ImageOutput o;
            o.path = std::get<ImagePathArg>(value).path;
            if (ReadArray(outSlots[p], o.image)) outputs.push_back(std::move(o));
        }
    }
    cleanup();
    return outcome;
}

}  // namespace vtx::cli
