// The adapter's conversion of COM arguments into the portable types.
#include <gtest/gtest.h>

#include <string>

#include "automation/com_params.h"

namespace {

using vtx::automation::Portable;

TEST(Portable, TextsKeepEveryCodeUnit) {
    const OLECHAR text[] = {L'a', 0, L'\x00E9', 0xD83D, 0xDE00, L'z'};
    BSTR b = SysAllocStringLen(text, 6);
    ASSERT_NE(b, nullptr);
    const auto view = Portable(b);
    const std::u16string_view v = view;
    ASSERT_EQ(v.size(), 6u);
    EXPECT_EQ(v, std::u16string_view(u"a\0\u00E9\U0001F600z", 6));
    SysFreeString(b);
}

TEST(Portable, NullAndEmptyTextsAreEmpty) {
    const auto none = Portable(static_cast<BSTR>(nullptr));
    EXPECT_TRUE(std::u16string_view(none).empty());
    BSTR empty = SysAllocString(L"");
    const auto view = Portable(empty);
    EXPECT_TRUE(std::u16string_view(view).empty());
    SysFreeString(empty);
}

TEST(Portable, OtherArgumentsPassUnchanged) {
    EXPECT_EQ(Portable(2.5), 2.5);
    EXPECT_EQ(Portable(LONG{-7}), -7);
    EXPECT_EQ(Portable(VARIANT_BOOL{-1}), -1);
    unsigned char byte = 9;
    EXPECT_EQ(Portable(&byte), &byte);
}

}  // namespace
