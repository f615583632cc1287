#include "platform/RegistryText.h"

#include <gtest/gtest.h>

namespace {

using RegistryText::TDocument;
using RegistryText::TValue;
using RegistryText::TValueType;

constexpr std::string_view Key = "HKEY_CURRENT_USER\\SoftWare\\Quillbrook\\Velmora";

std::optional<uint32_t> DWordOf(const TDocument& doc, std::string_view name) {
    const auto value = doc.Value(Key, name);
    if (!value || value->Type != TValueType::DWord)
        return std::nullopt;
    return value->DWord;
}

TEST(RegistryTextTest, ReadsTypedValuesOfTheKeyOnly) {
    const TDocument doc("Windows Registry Editor Version 5.00\r\n\r\n"
                        "[HKEY_CURRENT_USER\\Other]\r\n\"LogOK\"=dword:00000007\r\n\r\n"
                        "[hkey_current_user\\software\\quillbrook\\velmora\\]\r\n"
                        "\"LogOK\"=dword:00000001\r\n"
                        "\"hintshow\"=dword:FFFFFFFF\r\n"
                        "\"Name\"=\"C:\\\\Program Files\\\\\\\"x\\\"\"\r\n"
                        "@=\"default\"\r\n");
    EXPECT_TRUE(doc.HasKey(Key));
    EXPECT_EQ(DWordOf(doc, "LogOK"), 1u);
    EXPECT_EQ(DWordOf(doc, "HintShow"), 0xFFFFFFFFu);
    const auto name = doc.Value(Key, "NAME");
    ASSERT_TRUE(name);
    EXPECT_EQ(name->Type, TValueType::String);
    EXPECT_EQ(name->String, "C:\\Program Files\\\"x\"");
    EXPECT_EQ(doc.Value(Key, "")->String, "default");
    EXPECT_FALSE(doc.Value(Key, "MinFormShow"));
    EXPECT_FALSE(doc.Value("HKEY_CURRENT_USER\\Missing", "LogOK"));
}

TEST(RegistryTextTest, DataThatIsNeitherDwordNorStringIsAValueOfAnotherType) {
    const TDocument doc("[" + std::string(Key) +
                        "]\n"
                        "\"A\"=dword:123456789\n"
                        "\"B\"=dword:zz\n"
                        "\"C\"=hex:01,02,\\\n  03,04\n"
                        "\"D\"=\"unterminated\n"
                        "\"E\"=\"x\" trailing\n"
                        "\"F\"=dword:\n"
                        "\"G\"=-\n"
                        "\"H\"=dword:a\n");
    for (const char* name : {"A", "B", "C", "D", "E", "F"}) {
        const auto value = doc.Value(Key, name);
        ASSERT_TRUE(value) << name;
        EXPECT_EQ(value->Type, TValueType::Other) << name;
    }
    EXPECT_FALSE(doc.Value(Key, "G")) << "a deletion line removes the value";
    EXPECT_EQ(DWordOf(doc, "H"), 10u);
}

TEST(RegistryTextTest, LastLineOfAValueCountsAsAnImportWouldHaveIt) {
    const TDocument doc("[" + std::string(Key) + "]\n\"X\"=dword:1\n\"X\"=dword:2\n[" +
                        std::string(Key) + "]\n\"x\"=dword:3\n\"Y\"=dword:1\n\"Y\"=-\n");
    EXPECT_EQ(DWordOf(doc, "X"), 3u);
    EXPECT_FALSE(doc.Value(Key, "Y"));
}

TEST(RegistryTextTest, EmptyDocumentGetsHeaderKeyAndValue) {
    TDocument doc;
    EXPECT_FALSE(doc.HasKey(Key));
    ASSERT_TRUE(doc.SetValue(Key, "LogOK", TValue::FromDWord(1)));
    ASSERT_TRUE(doc.SetValue(Key, "Text", TValue::FromString("a\\b\"c")));
    EXPECT_EQ(doc.Text(), "Windows Registry Editor Version 5.00\n\n"
                          "[HKEY_CURRENT_USER\\SoftWare\\Quillbrook\\Velmora]\n"
                          "\"LogOK\"=dword:00000001\n"
                          "\"Text\"=\"a\\\\b\\\"c\"\n");
    const TDocument again(doc.Text());
    EXPECT_EQ(again.Value(Key, "Text")->String, "a\\b\"c");
}

TEST(RegistryTextTest, WriteReplacesTheValueInPlaceAndKeepsEverythingElse) {
    const std::string text = "Windows Registry Editor Version 5.00\n\n"
                             "; written by hand\n"
                             "[" +
                             std::string(Key) +
                             "]\n"
                             "\"LogOK\"=dword:00000001\n"
                             "\"HintShow\"=hex:01,\\\n  02\n"
                             "\"AutoRun\"=dword:00000000\n"
                             "garbage line\n"
                             "\"HintShow\"=\"1\"\n"
                             "\n"
                             "[HKEY_CURRENT_USER\\Other]\n"
                             "\"HintShow\"=dword:00000005\n";
    TDocument doc(text);
    ASSERT_TRUE(doc.SetValue(Key, "hintshow", TValue::FromDWord(0)));
    ASSERT_TRUE(doc.SetValue(Key, "MinFormShow", TValue::FromDWord(1)));
    EXPECT_EQ(doc.Text(), "Windows Registry Editor Version 5.00\n\n"
                          "; written by hand\n"
                          "[" +
                              std::string(Key) +
                              "]\n"
                              "\"LogOK\"=dword:00000001\n"
                              "\"hintshow\"=dword:00000000\n"
                              "\"AutoRun\"=dword:00000000\n"
                              "garbage line\n"
                              "\"MinFormShow\"=dword:00000001\n"
                              "\n"
                              "[HKEY_CURRENT_USER\\Other]\n"
                              "\"HintShow\"=dword:00000005\n");
    EXPECT_EQ(DWordOf(doc, "HintShow"), 0u);
    EXPECT_EQ(DWordOf(TDocument(doc.Text()), "HintShow"), 0u);
}

TEST(RegistryTextTest, FileWithoutHeaderOrKeyGetsThemOnWrite) {
    TDocument doc("[HKEY_CURRENT_USER\\Other]\n\"A\"=dword:1");
    ASSERT_TRUE(doc.SetValue(Key, "Languare", TValue::FromDWord(1)));
    EXPECT_EQ(doc.Text(), "Windows Registry Editor Version 5.00\n\n"
                          "[HKEY_CURRENT_USER\\Other]\n\"A\"=dword:1\n\n"
                          "[" +
                              std::string(Key) + "]\n\"Languare\"=dword:00000001\n");
    EXPECT_EQ(DWordOf(TDocument(doc.Text()), "A"), std::nullopt);
    EXPECT_EQ(TDocument(doc.Text()).Value("HKEY_CURRENT_USER\\Other", "A")->DWord, 1u);
}

TEST(RegistryTextTest, LineBreaksAreRefusedBecauseTheFormatCannotCarryThem) {
    TDocument doc;
    EXPECT_FALSE(doc.SetValue(Key, "A\nB", TValue::FromDWord(1)));
    EXPECT_FALSE(doc.SetValue(Key, "A", TValue::FromString("x\r\ny")));
    EXPECT_FALSE(doc.SetValue(Key, "A", TValue{}));
    EXPECT_EQ(doc.Text(), "");
}

TEST(RegistryTextTest, DeleteRemovesEveryLineOfTheValue) {
    TDocument doc("[" + std::string(Key) + "]\n\"X\"=dword:1\n\"Y\"=dword:2\n\"x\"=\"s\"\n");
    EXPECT_TRUE(doc.DeleteValue(Key, "X"));
    EXPECT_FALSE(doc.DeleteValue(Key, "X"));
    EXPECT_FALSE(doc.Value(Key, "X"));
    EXPECT_EQ(DWordOf(doc, "Y"), 2u);
}

TEST(RegistryTextTest, ByteOrderMarkAndWindowsLineEndsAreRead) {
    const TDocument doc("\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n[" +
                        std::string(Key) + "]\r\n\"Languare\"=dword:00000001\r\n");
    EXPECT_EQ(DWordOf(doc, "Languare"), 1u);
}

} // namespace
