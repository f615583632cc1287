#include "platform/IniFile.h"

#include "common/TempDir.h"
#include "platform/FileIo.h"

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

class IniFileTest : public ::testing::Test {
protected:
    void Put(const std::string& text) { ASSERT_TRUE(FileIo::WriteAtomically(path, text)); }
    std::string Content() { return FileIo::ReadAll(path).value_or("<missing>"); }
    // Overwrites the start of the file where it stands: same inode, same size, as an editor that
    // writes in place would.
    static void PatchInPlace(const std::string& file, const std::string& bytes) {
        const int fd = ::open(file.c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::pwrite(fd, bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
        ::close(fd);
    }

    TTempDir dir;
    std::string path = dir.File("velmora.ini");
    TIniFile ini{path};
};

TEST(StrToIntDefTest, ReadsDecimalHexadecimalAndRejectsTheRest) {
    EXPECT_EQ(StrToIntDef("5678", 1), 5678);
    EXPECT_EQ(StrToIntDef("  -12", 1), -12);
    EXPECT_EQ(StrToIntDef("+7", 1), 7);
    EXPECT_EQ(StrToIntDef("0x162E", 1), 5678);
    EXPECT_EQ(StrToIntDef("0X162e", 1), 5678);
    EXPECT_EQ(StrToIntDef("$FF", 1), 255);
    EXPECT_EQ(StrToIntDef("-$10", 1), -16);
    EXPECT_EQ(StrToIntDef("$FFFFFFFF", 1), -1);
    EXPECT_EQ(StrToIntDef("2147483647", 1), 2147483647);
    EXPECT_EQ(StrToIntDef("-2147483648", 1), -2147483647 - 1);
    for (const char* bad : {"", "abc", "12abc", "0x", "$", "-", "2147483648", "1 2", "12 ", "1.5",
                            "0x1G", "$100000000"})
        EXPECT_EQ(StrToIntDef(bad, 42), 42) << bad;
}

TEST_F(IniFileTest, MissingFileSectionOrKeyReadsAsDefault) {
    EXPECT_EQ(ini.ReadString("A", "b", "def"), "def");
    Put("[A]\nb=1\n");
    EXPECT_EQ(ini.ReadString("B", "b", "x"), "x");
    EXPECT_EQ(ini.ReadString("A", "c", "y"), "y");
    EXPECT_TRUE(ini.ReadSection("none").empty());
    EXPECT_FALSE(ini.SectionExists("none"));
}

TEST_F(IniFileTest, NamesIgnoreCaseAndBlanksAroundNamesAndValues) {
    Put("; comment\n[ ServerParams ]\n  ServerPort =  5679  \nx=a=b\n");
    EXPECT_EQ(ini.ReadString("serverparams", "SERVERPORT", ""), "5679");
    EXPECT_EQ(ini.ReadInteger("SERVERPARAMS", "serverport", 1), 5679);
    EXPECT_EQ(ini.ReadString("ServerParams", "X", ""), "a=b");
}

TEST_F(IniFileTest, FirstSectionAndFirstKeyWin) {
    Put("[S]\nk=1\nk=2\n[s]\nk=3\nm=4\n");
    EXPECT_EQ(ini.ReadString("S", "k", ""), "1");
    EXPECT_EQ(ini.ReadString("S", "m", "none"), "none");
    const auto values = ini.ReadSectionValues("s");
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[1], (std::pair<std::string, std::string>{"k", "1"}));
}

TEST_F(IniFileTest, SectionListsKeysInFileOrderSkippingOtherLines) {
    Put("[L]\r\nb=2\r\n; note\r\n\r\nnot a key\r\na=1\r\n[M]\r\nc=3\r\n");
    EXPECT_EQ(ini.ReadSection("l"), (std::vector<std::string>{"b", "a"}));
    const auto values = ini.ReadSectionValues("L");
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0].second, "2");
    EXPECT_EQ(values[1].second, "1");
}

TEST_F(IniFileTest, ValuesAreReadBackCutAt2047Characters) {
    const std::string longValue(3000, 'v');
    ini.WriteString("S", "k", longValue);
    EXPECT_EQ(ini.ReadString("S", "k", "").size(), 2047u);
    EXPECT_EQ(ini.ReadSectionValues("S")[0].second.size(), 2047u);
    EXPECT_NE(Content().find(longValue), std::string::npos) << "the store keeps the whole value";
}

TEST_F(IniFileTest, WriteReplacesInPlaceAppendsToSectionOrAppendsSection) {
    Put("; head\n[A]\nx=1\ny=2\n\n[B]\nz=3\n");
    ini.WriteString("a", "Y", "20");
    EXPECT_EQ(Content(), "; head\n[A]\nx=1\nY=20\n\n[B]\nz=3\n");
    ini.WriteString("A", "w", "4");
    EXPECT_EQ(Content(), "; head\n[A]\nx=1\nY=20\nw=4\n\n[B]\nz=3\n");
    ini.WriteString("C", "q", "5");
    EXPECT_EQ(Content(), "; head\n[A]\nx=1\nY=20\nw=4\n\n[B]\nz=3\n[C]\nq=5\n");
}

TEST_F(IniFileTest, WriteCreatesFileAndKeepsWindowsLineEndings) {
    ini.WriteInteger("ServerParams", "ServerPort", 5678);
    ini.WriteBool("ServerParams", "ServerAutoStart", true);
    EXPECT_EQ(Content(), "[ServerParams]\nServerPort=5678\nServerAutoStart=1\n");
    Put("[A]\r\nx=1\r\n");
    ini.WriteString("A", "y", "2");
    EXPECT_EQ(Content(), "[A]\r\nx=1\r\ny=2\r\n");
}

TEST_F(IniFileTest, BytesPassThroughUnconverted) {
    const std::string cyrillic = "\xC4\xE8\xF1\xEF\xEB\xE5\xE9 \xB9 3"; // Windows-1251
    ini.WriteString("S", "Edits_0_Text", cyrillic);
    EXPECT_EQ(ini.ReadString("s", "edits_0_text", ""), cyrillic);
}

TEST_F(IniFileTest, LineBreaksAreRefusedAndNothingIsWritten) {
    Put("[A]\nx=1\n");
    for (const auto& [section, key, value] :
         std::vector<std::tuple<std::string, std::string, std::string>>{{"A", "x", "two\nlines"},
                                                                        {"A", "x", "cr\rhere"},
                                                                        {"A\n[B]", "x", "1"},
                                                                        {"A", "x\ny", "1"}}) {
        try {
            ini.WriteString(section, key, value);
            FAIL() << "a write with a line break must fail";
        } catch (const EIniFileException& e) {
            EXPECT_EQ(std::string(e.what()), "Unable to write to " + path);
        }
    }
    EXPECT_EQ(Content(), "[A]\nx=1\n");
}

TEST_F(IniFileTest, UnwritableFolderRaisesUnableToWrite) {
    TIniFile nowhere(dir.File("missing-folder/velmora.ini"));
    try {
        nowhere.WriteString("A", "b", "c");
        FAIL();
    } catch (const EIniFileException& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Unable to write to " + dir.File("missing-folder/velmora.ini"));
    }
}

// Reads are served from a parsed copy; every change made from outside must still be seen by the
// very next read, however it is made.
TEST_F(IniFileTest, EveryChangeFromOutsideIsSeenByTheNextRead) {
    Put("[A]\nb=1\n");
    EXPECT_EQ(ini.ReadString("A", "b", ""), "1");
    PatchInPlace(path, "[A]\nb=2");
    EXPECT_EQ(ini.ReadString("A", "b", ""), "2") << "in place, same size, at once";
    Put("[A]\nb=3\n");
    EXPECT_EQ(ini.ReadString("A", "b", ""), "3") << "replaced by rename";
    TIniFile other(path);
    other.WriteString("A", "b", "4");
    EXPECT_EQ(ini.ReadString("A", "b", ""), "4") << "written through another object";
    ASSERT_TRUE(FileIo::RemoveFile(path));
    EXPECT_EQ(ini.ReadString("A", "b", "gone"), "gone");
}

// A file that has not changed for a while is read from the parsed copy; the copies of two files
// never mix, and a change still shows at once.
TEST_F(IniFileTest, SettledFilesReadRightAndChangesStillShow) {
    const std::string second = dir.File("second.ini");
    Put("[A]\nb=first\n");
    ASSERT_TRUE(FileIo::WriteAtomically(second, "[A]\nb=other\n"));
    const auto settle =
        std::chrono::nanoseconds(TIniFile::SettleTimeNs) + std::chrono::milliseconds(100);
    std::this_thread::sleep_for(settle);
    TIniFile secondIni(second);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(ini.ReadString("A", "b", ""), "first");
        EXPECT_EQ(secondIni.ReadString("A", "b", ""), "other");
    }
    PatchInPlace(second, "[A]\nb=OTHER");
    EXPECT_EQ(secondIni.ReadString("A", "b", ""), "OTHER");
    EXPECT_EQ(ini.ReadString("A", "b", ""), "first");
}

// A FIFO where the file belongs (or a device) is neither waited on nor replaced.
TEST_F(IniFileTest, FifoInPlaceOfTheFileReadsAsDefaultAndRefusesWrites) {
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    EXPECT_EQ(ini.ReadString("A", "b", "def"), "def");
    EXPECT_FALSE(ini.SectionExists("A"));
    EXPECT_THROW(ini.WriteString("A", "b", "c"), EIniFileException);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST_F(IniFileTest, ConcurrentReaderNeverSeesHalfAFile) {
    // A large section rewritten again and again: a reader must always find it whole.
    for (int i = 0; i < 200; ++i)
        ini.WriteString("Big", "k" + std::to_string(i), std::string(100, 'a'));
    std::atomic<bool> done{false};
    std::atomic<int> torn{0};
    std::thread reader([&] {
        while (!done) {
            const size_t keys = ini.ReadSection("Big").size();
            if (keys != 200 && keys != 201)
                ++torn;
        }
    });
    for (int i = 0; i < 100; ++i)
        ini.WriteString("Big", "counter", std::to_string(i));
    done = true;
    reader.join();
    EXPECT_EQ(torn.load(), 0);
    EXPECT_EQ(ini.ReadString("Big", "counter", ""), "99");
}

TEST_F(IniFileTest, ConcurrentWritersLoseNoValue) {
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t) {
        writers.emplace_back([this, t] {
            for (int i = 0; i < 25; ++i)
                ini.WriteInteger("W", "t" + std::to_string(t) + "_" + std::to_string(i), i);
        });
    }
    for (auto& w : writers)
        w.join();
    EXPECT_EQ(ini.ReadSection("W").size(), 100u);
}

} // namespace
