#include "platform/CodePage1251.h"

#include <gtest/gtest.h>

namespace {

TEST(CodePage1251Test, EveryByteSurvivesARoundTripThroughUtf8) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    const auto back = CodePage1251::FromUtf8(CodePage1251::ToUtf8(all));
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, all);
}

TEST(CodePage1251Test, RussianTextsAndSignsMapToTheirBytes) {
    EXPECT_EQ(CodePage1251::FromUtf8("Дисплей № 3"), "\xC4\xE8\xF1\xEF\xEB\xE5\xE9 \xB9 3");
    EXPECT_EQ(CodePage1251::FromUtf8("Ёё€«»—"), "\xA8\xB8\x88\xAB\xBB\x97");
    EXPECT_EQ(CodePage1251::ToUtf8("\xD0\xF3\xF1\xF1\xEA\xE8\xE9"), "Русский");
}

TEST(CodePage1251Test, CharactersOutsideTheCodePageAreRefused) {
    EXPECT_FALSE(CodePage1251::FromUtf8("日本").has_value());
    EXPECT_FALSE(CodePage1251::FromUtf8("é").has_value()); // Latin-1, but not in Windows-1251
    EXPECT_FALSE(CodePage1251::FromUtf8("\xF0\x9F\x98\x80").has_value());
    EXPECT_FALSE(CodePage1251::FromUtf8("\xC3").has_value()) << "truncated UTF-8";
    EXPECT_FALSE(CodePage1251::FromUtf8("\x80").has_value()) << "stray continuation byte";
}

} // namespace
