// Early-bound calls through the widl header: image exchange, the array
// check and its refusals, the two properties.
#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>
#include <vector>

#include "com_test_support.h"

namespace vtxtest {
namespace {

class EarlyBound : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(CreateObject(object_.Out()), S_OK); }

    // Sets the w x h pattern by copy.
    void SetPattern(std::int32_t w, std::int32_t h) {
        Array a(MakeImageArray(w, h));
        SAFEARRAY* p = a.Get();
        ASSERT_EQ(object_->SetSafeArray(&p), S_OK);
    }

    // The session's image through GetSafeArray; checks the array's shape.
    std::vector<std::uint8_t> Image(std::int32_t w, std::int32_t h) {
        Array out;
        EXPECT_EQ(object_->GetSafeArray(out.Out()), S_OK);
        if (out.Get() == nullptr) return {};
        EXPECT_EQ(SafeArrayGetDim(out.Get()), 3u);
        VARTYPE vt = VT_EMPTY;
        EXPECT_EQ(SafeArrayGetVartype(out.Get(), &vt), S_OK);
        EXPECT_EQ(vt, VT_UI1);
        const LONG counts[3] = {4, w, h};
        for (UINT d = 1; d <= 3; ++d) {
            LONG lower = -1, upper = -1;
            EXPECT_EQ(SafeArrayGetLBound(out.Get(), d, &lower), S_OK);
            EXPECT_EQ(SafeArrayGetUBound(out.Get(), d, &upper), S_OK);
            EXPECT_EQ(lower, 0) << "dimension " << d;
            EXPECT_EQ(upper, counts[d - 1] - 1) << "dimension " << d;
        }
        return ArrayBytes(out.Get(), static_cast<std::size_t>(4) * w * h);
    }

    // After a refusal that keeps the session: the 3 x 2 pattern set before is
    // still there and still usable.
    void ExpectPreviousImageKept() {
        EXPECT_EQ(Image(3, 2), PatternBytes(3, 2));
        EXPECT_EQ(object_->AdjustBrightness(1.0, 20), S_OK);
        EXPECT_EQ(Image(3, 2), Brightened(PatternBytes(3, 2), 20));
    }

    // After a refusal that drops the image: every operation gives 1.
    void ExpectNoImage() {
        Array out;
        EXPECT_EQ(object_->GetSafeArray(out.Out()), S_FALSE);
        EXPECT_EQ(out.Get(), nullptr);
        EXPECT_EQ(object_->AdjustBrightness(1.0, 20), S_FALSE);
        EXPECT_EQ(object_->AdjustInvert(1.0), S_FALSE);
        EXPECT_EQ(object_->UtilitySwapChannels(2, 1, 0), S_FALSE);
    }

    Ptr<IVideoTransform> object_;
};

// A hand-made descriptor whose fields a test sets freely; its data (when
// any) is a buffer of the test's and is never freed by the array functions.
class Descriptor {
public:
    // bounds: (element count, lower bound) per dimension, dimension 1 first.
    Descriptor(VARTYPE vt, std::initializer_list<std::pair<ULONG, LONG>> bounds, bool withVartype = true) {
        const UINT dims = static_cast<UINT>(bounds.size());
        const HRESULT hr = withVartype ? SafeArrayAllocDescriptorEx(vt, dims, &a_) : SafeArrayAllocDescriptor(dims, &a_);
        if (FAILED(hr)) {
            a_ = nullptr;
            return;
        }
        if (!withVartype) a_->cbElements = 1;
        UINT d = 0;
        // The descriptor stores its bounds last dimension first.
        for (const auto& b : bounds) {
            a_->rgsabound[dims - 1 - d].cElements = b.first;
            a_->rgsabound[dims - 1 - d].lLbound = b.second;
            ++d;
        }
        buffer_.assign(64, 0xAB);
        a_->pvData = buffer_.data();
    }
    ~Descriptor() {
        if (a_ == nullptr) return;
        a_->pvData = nullptr;
        SafeArrayDestroyDescriptor(a_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    SAFEARRAY* Get() const { return a_; }
    void NoData() { a_->pvData = nullptr; }
    const std::vector<std::uint8_t>& Buffer() const { return buffer_; }

private:
    SAFEARRAY* a_ = nullptr;
    std::vector<std::uint8_t> buffer_;
};

TEST_F(EarlyBound, SetSafeArrayCopiesTheImage) {
    Array host(MakeImageArray(5, 4));
    SAFEARRAY* p = host.Get();
    ASSERT_EQ(object_->SetSafeArray(&p), S_OK);
    EXPECT_EQ(p, host.Get());
    EXPECT_EQ(object_->AdjustBrightness(1.0, 20), S_OK);
    // The host's array is untouched; the result comes back through GetSafeArray.
    EXPECT_EQ(ArrayBytes(host.Get(), 80), PatternBytes(5, 4));
    EXPECT_EQ(Image(5, 4), Brightened(PatternBytes(5, 4), 20));
}

TEST_F(EarlyBound, SetSafeArrayPtrWorksInThehostArray) {
    Array host(MakeImageArray(4, 3));
    ASSERT_EQ(object_->SetSafeArrayPtr(reinterpret_cast<unsigned char*>(host.Get())), S_OK);
    EXPECT_EQ(object_->AdjustBrightness(1.0, -20), S_OK);
    EXPECT_EQ(ArrayBytes(host.Get(), 48), Brightened(PatternBytes(4, 3), -20));
    EXPECT_EQ(Image(4, 3), Brightened(PatternBytes(4, 3), -20));
    EXPECT_EQ(object_->UtilitySwapChannels(2, 1, 0), S_OK);
    const std::vector<std::uint8_t> expected = Brightened(PatternBytes(4, 3), -20);
    const std::vector<std::uint8_t> swapped = ArrayBytes(host.Get(), 48);
    for (std::size_t i = 0; i < 48; i += 4) {
        EXPECT_EQ(swapped[i + 0], expected[i + 2]);
        EXPECT_EQ(swapped[i + 1], expected[i + 1]);
        EXPECT_EQ(swapped[i + 2], expected[i + 0]);
    }
}

TEST_F(EarlyBound, LowerBoundsOfOneAreAccepted) {
    Array host(MakeImageArray(3, 5, 1, 1, 1));
    SAFEARRAY* p = host.Get();
    ASSERT_EQ(object_->SetSafeArray(&p), S_OK);
    EXPECT_EQ(Image(3, 5), PatternBytes(3, 5));
    Array other(MakeImageArray(2, 2, -7, 100, 3));
    ASSERT_EQ(object_->SetSafeArrayPtr(reinterpret_cast<unsigned char*>(other.Get())), S_OK);
    EXPECT_EQ(Image(2, 2), PatternBytes(2, 2));
}

TEST_F(EarlyBound, OwnedBufferGrowsAndKeepsWorking) {
    // 801 x 600 is larger than the initial buffer of an 800 x 600 image.
    SetPattern(801, 600);
    EXPECT_EQ(object_->AdjustBrightness(1.0, 20), S_OK);
    EXPECT_EQ(Image(801, 600), Brightened(PatternBytes(801, 600), 20));
    SetPattern(7, 3);
    EXPECT_EQ(object_->AdjustBrightness(0.5, 20), S_OK);  // a = trunc(20 * 0.5)
    EXPECT_EQ(Image(7, 3), Brightened(PatternBytes(7, 3), 10));
}

TEST_F(EarlyBound, GetSafeArrayOverwritesWithoutDestroying) {
    SetPattern(3, 2);
    Array previous(MakeImageArray(2, 2));
    SAFEARRAY* slot = previous.Get();
    ASSERT_EQ(object_->GetSafeArray(&slot), S_OK);
    ASSERT_NE(slot, previous.Get());
    Array created(slot);
    EXPECT_EQ(ArrayBytes(created.Get(), 24), PatternBytes(3, 2));
    // The array the slot held before is still intact.
    EXPECT_EQ(ArrayBytes(previous.Get(), 16), PatternBytes(2, 2));
    EXPECT_EQ(object_->GetSafeArray(nullptr), S_FALSE);
}

TEST_F(EarlyBound, NoImageAtConstruction) {
    SAFEARRAY* slot = reinterpret_cast<SAFEARRAY*>(16);
    EXPECT_EQ(object_->GetSafeArray(&slot), S_FALSE);
    EXPECT_EQ(slot, reinterpret_cast<SAFEARRAY*>(16));
    EXPECT_EQ(object_->AdjustInvert(1.0), S_FALSE);
    // Level 0 returns 0 before the image check.
    EXPECT_EQ(object_->AdjustBrightness(1.0, 0), S_OK);
    EXPECT_EQ(object_->AdjustBrightness(1.0, 1), S_FALSE);
}

TEST_F(EarlyBound, RefusalsThatKeepTheSession) {
    SetPattern(3, 2);
    EXPECT_EQ(object_->SetSafeArray(nullptr), S_FALSE);
    SAFEARRAY* null = nullptr;
    EXPECT_EQ(object_->SetSafeArray(&null), S_FALSE);
    EXPECT_EQ(object_->SetSafeArrayPtr(nullptr), S_FALSE);
    ExpectPreviousImageKept();

    // Arrays of a refused shape or type, and hand-made descriptors refused
    // before their data is read: each leaves the previous image usable.
    SAFEARRAYBOUND three[3] = {{3, 0}, {4, 0}, {4, 0}};
    SAFEARRAYBOUND five[3] = {{5, 0}, {4, 0}, {4, 0}};
    SAFEARRAYBOUND shorts[3] = {{4, 0}, {4, 0}, {4, 0}};
    SAFEARRAYBOUND two[2] = {{4, 0}, {16, 0}};
    SAFEARRAYBOUND four[4] = {{4, 0}, {4, 0}, {4, 0}, {1, 0}};
    SAFEARRAYBOUND variants[3] = {{4, 0}, {2, 0}, {2, 0}};
    Array a1(SafeArrayCreate(VT_UI1, 3, three)), a2(SafeArrayCreate(VT_UI1, 3, five)),
        a3(SafeArrayCreate(VT_I2, 3, shorts)), a4(SafeArrayCreate(VT_UI1, 2, two)),
        a5(SafeArrayCreate(VT_UI1, 4, four)), a6(SafeArrayCreate(VT_VARIANT, 3, variants)),
        a7(SafeArrayCreate(VT_I1, 3, shorts));
    Descriptor noType(VT_UI1, {{4, 0}, {2, 0}, {2, 0}}, false);
    Descriptor wideElements(VT_UI1, {{4, 0}, {2, 0}, {2, 0}});
    if (wideElements.Get() != nullptr) wideElements.Get()->cbElements = 2;
    // 4 x 40000 x 40000 bytes do not fit in 32 bits; the 64-byte buffer
    // behind the descriptor must not be read.
    Descriptor huge(VT_UI1, {{4, 0}, {40000, 0}, {40000, 0}});
    Descriptor justBeyond(VT_UI1, {{4, 0}, {32768, 0}, {16384, 0}});  // 2^31 bytes
    struct Case {
        const char* what;
        SAFEARRAY* array;
        bool inPlaceToo;
    };
    for (const Case& c : {Case{"dimension 1 of 3", a1.Get(), true}, Case{"dimension 1 of 5", a2.Get(), true},
                          Case{"VT_I2", a3.Get(), true}, Case{"two dimensions", a4.Get(), true},
                          Case{"four dimensions", a5.Get(), true}, Case{"VT_VARIANT", a6.Get(), true},
                          Case{"VT_I1", a7.Get(), true}, Case{"no element type", noType.Get(), false},
                          Case{"VT_UI1 with element size 2", wideElements.Get(), true},
                          Case{"byte size beyond 32 bits", huge.Get(), true},
                          Case{"byte size just beyond 2^31 - 1", justBeyond.Get(), false}}) {
        SCOPED_TRACE(c.what);
        ASSERT_NE(c.array, nullptr);
        SetPattern(3, 2);
        SAFEARRAY* p = c.array;
        EXPECT_EQ(object_->SetSafeArray(&p), S_FALSE);
        if (c.inPlaceToo) {
            EXPECT_EQ(object_->SetSafeArrayPtr(reinterpret_cast<unsigned char*>(c.array)), S_FALSE);
        }
        ExpectPreviousImageKept();
    }
    EXPECT_EQ(huge.Buffer(), std::vector<std::uint8_t>(64, 0xAB));
}

TEST_F(EarlyBound, RefusalsThatDropTheImage) {
    Array narrow(MakeImageArray(1, 5)), flat(MakeImageArray(5, 1));
    Descriptor noData(VT_UI1, {{4, 0}, {2, 0}, {2, 0}}), noColumns(VT_UI1, {{4, 0}, {0, 0}, {2, 0}});
    ASSERT_NE(noData.Get(), nullptr);
    ASSERT_NE(noColumns.Get(), nullptr);
    noData.NoData();
    struct Case {
        const char* what;
        SAFEARRAY* array;
        bool inPlace;
    };
    for (const Case& c : {Case{"1 x 5 image", narrow.Get(), false}, Case{"5 x 1 image in place", flat.Get(), true},
                          Case{"no data", noData.Get(), false}, Case{"no columns", noColumns.Get(), false}}) {
        SCOPED_TRACE(c.what);
        SetPattern(3, 2);
        SAFEARRAY* p = c.array;
        EXPECT_EQ(c.inPlace ? object_->SetSafeArrayPtr(reinterpret_cast<unsigned char*>(p)) : object_->SetSafeArray(&p),
                  S_FALSE);
        ExpectNoImage();
    }
    EXPECT_EQ(ArrayBytes(flat.Get(), 20), PatternBytes(5, 1));
    // The properties still work, and a valid image brings the session back.
    EXPECT_EQ(object_->put_BackColor(9), S_OK);
    SetPattern(3, 2);
    ExpectPreviousImageKept();
}

TEST_F(EarlyBound, Properties) {
    // UseMask is true only for -1.
    VARIANT_BOOL mask = 5;
    EXPECT_EQ(object_->get_UseMask(&mask), S_OK);
    EXPECT_EQ(mask, VARIANT_FALSE);
    for (auto [put, got] : {std::pair<VARIANT_BOOL, VARIANT_BOOL>{1, VARIANT_FALSE}, {VARIANT_TRUE, VARIANT_TRUE},
                            {-2, VARIANT_FALSE}}) {
        EXPECT_EQ(object_->put_UseMask(put), S_OK);
        EXPECT_EQ(object_->get_UseMask(&mask), S_OK);
        EXPECT_EQ(mask, got) << put;
    }
    // BackColor starts 0 and is stored unchanged.
    LONG color = 5;
    EXPECT_EQ(object_->get_BackColor(&color), S_OK);
    EXPECT_EQ(color, 0);
    for (LONG value : {LONG{0x00FF0000}, LONG{-1}, LONG{0x7F000001}, LONG{0}}) {
        EXPECT_EQ(object_->put_BackColor(value), S_OK);
        EXPECT_EQ(object_->get_BackColor(&color), S_OK);
        EXPECT_EQ(color, value);
    }
    // A null out pointer is refused rather than written through.
    EXPECT_EQ(object_->get_UseMask(nullptr), S_FALSE);
    EXPECT_EQ(object_->get_BackColor(nullptr), S_FALSE);
}

}  // namespace
}  // namespace vtxtest
