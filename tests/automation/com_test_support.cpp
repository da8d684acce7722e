#include "com_test_support.h"

#include <cstring>

namespace vtxtest {

std::uint8_t PatternByte(std::int32_t c, std::int32_t x, std::int32_t y) {
    if (c == 3) return static_cast<std::uint8_t>(17 + 3 * x + 5 * y);
    return static_cast<std::uint8_t>((11 * x + 23 * y + 67 * c) % 201);
}

SAFEARRAY* MakeImageArray(std::int32_t w, std::int32_t h, LONG lower0, LONG lower1, LONG lower2) {
    SAFEARRAYBOUND bounds[3];
    bounds[0].cElements = 4;
    bounds[0].lLbound = lower0;
    bounds[1].cElements = static_cast<ULONG>(w);
    bounds[1].lLbound = lower1;
    bounds[2].cElements = static_cast<ULONG>(h);
    bounds[2].lLbound = lower2;
    SAFEARRAY* a = SafeArrayCreate(VT_UI1, 3, bounds);
    if (a == nullptr) return nullptr;
    const std::vector<std::uint8_t> bytes = PatternBytes(w, h);
    std::memcpy(a->pvData, bytes.data(), bytes.size());
    return a;
}

std::vector<std::uint8_t> PatternBytes(std::int32_t w, std::int32_t h) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(4) * w * h);
    for (std::int32_t y = 0; y < h; ++y) {
        for (std::int32_t x = 0; x < w; ++x) {
            for (std::int32_t c = 0; c < 4; ++c) {
                bytes[static_cast<std::size_t>(c + 4 * x + 4 * w * y)] = PatternByte(c, x, y);
            }
        }
    }
    return bytes;
}

std::vector<std::uint8_t> ArrayBytes(SAFEARRAY* a, std::size_t n) {
    const auto* p = static_cast<const std::uint8_t*>(a->pvData);
    return std::vector<std::uint8_t>(p, p + n);
}

std::vector<std::uint8_t> Brightened(std::vector<std::uint8_t> bytes, int a) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i % 4 == 3) continue;
        const int v = bytes[i] + a;
        bytes[i] = static_cast<std::uint8_t>(v > 255 ? 255 : (v < 0 ? 0 : v));
    }
    return bytes;
}

HRESULT CreateObject(IVideoTransform** object) {
    return CoCreateInstance(CLSID_VideoTransform, nullptr, CLSCTX_INPROC_SERVER, IID_IVideoTransform,
                            reinterpret_cast<void**>(object));
}

HRESULT CallDllCanUnloadNow() {
    HMODULE module = LoadLibraryW(DllPath().c_str());
    if (module == nullptr) return E_FAIL;
    using Fn = HRESULT(STDAPICALLTYPE*)();
    auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
    const HRESULT hr = fn != nullptr ? fn() : E_FAIL;
    FreeLibrary(module);
    return hr;
}

HRESULT InvokeWith(IDispatch* d, DISPID id, WORD flags, VARIANT* args, UINT count, VARIANT* result, UINT* argErr,
                   DISPID* named, UINT namedCount) {
    DISPPARAMS params;
    params.rgvarg = args;
    params.cArgs = count;
    params.rgdispidNamedArgs = named;
    params.cNamedArgs = namedCount;
    return d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr, argErr);
}

}  // namespace vtxtest
