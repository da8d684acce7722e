// Helpers shared by the COM client tests: an owning interface pointer,
// image arrays, the module under test.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <oleauto.h>

#include <cstdint>
#include <string>
#include <vector>

#include "TavrixVideoTransform.h"

namespace vtxtest {

// Windows path of TavrixVideoTransform.dll, as registered (from --dll=).
const std::wstring& DllPath();

// Owning interface pointer.
template <class T>
class Ptr {
public:
    Ptr() = default;
    explicit Ptr(T* p) : p_(p) {}
    Ptr(const Ptr&) = delete;
    Ptr& operator=(const Ptr&) = delete;
    ~Ptr() { Reset(); }
    void Reset() {
        if (p_ != nullptr) p_->Release();
        p_ = nullptr;
    }
    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    T** Out() {
        Reset();
        return &p_;
    }
    void** OutVoid() { return reinterpret_cast<void**>(Out()); }

private:
    T* p_ = nullptr;
};

// A VARIANT cleared at scope end.
struct Variant {
    VARIANT v;
    Variant() { VariantInit(&v); }
    ~Variant() { VariantClear(&v); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
};

// A SAFEARRAY destroyed at scope end.
class Array {
public:
    Array() = default;
    explicit Array(SAFEARRAY* a) : a_(a) {}
    Array(const Array&) = delete;
    Array& operator=(const Array&) = delete;
    ~Array() { Reset(); }
    void Reset() {
        if (a_ != nullptr) SafeArrayDestroy(a_);
        a_ = nullptr;
    }
    SAFEARRAY* Get() const { return a_; }
    SAFEARRAY** Out() {
        Reset();
        return &a_;
    }

private:
    SAFEARRAY* a_ = nullptr;
};

// Pixel (c, x, y) of the test pattern: every byte differs from its
// neighbours, colour bytes stay in 0..200 so that +20 never saturates except
// where a test sets 250 on purpose, alpha bytes are distinct values.
std::uint8_t PatternByte(std::int32_t c, std::int32_t x, std::int32_t y);

// A 3-dimensional VT_UI1 array of 4 x w x h elements with the given lower
// bounds, filled with the test pattern (element (c, x, y) at byte
// c + 4x + 4wy).
SAFEARRAY* MakeImageArray(std::int32_t w, std::int32_t h, LONG lower0 = 0, LONG lower1 = 0, LONG lower2 = 0);
// The pattern as a packed byte vector.
std::vector<std::uint8_t> PatternBytes(std::int32_t w, std::int32_t h);
// The bytes of an array's data.
std::vector<std::uint8_t> ArrayBytes(SAFEARRAY* a, std::size_t n);

// The pattern brightened by `a` in blue, green and red (saturating), alpha
// kept.
std::vector<std::uint8_t> Brightened(std::vector<std::uint8_t> bytes, int a);

// Creates a VideoTransform through CoCreateInstance.
HRESULT CreateObject(IVideoTransform** object);

// The module's exported DllCanUnloadNow, loaded from DllPath().
HRESULT CallDllCanUnloadNow();

// Calls IDispatch::Invoke with the given arguments (in rgvarg order, i.e.
// last parameter first).
HRESULT InvokeWith(IDispatch* d, DISPID id, WORD flags, VARIANT* args, UINT count, VARIANT* result = nullptr,
                   UINT* argErr = nullptr, DISPID* named = nullptr, UINT namedCount = 0);

}  // namespace vtxtest
