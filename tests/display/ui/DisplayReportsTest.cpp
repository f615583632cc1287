// The display program against a scripted server: the status it sends once registered, and the
// picture of its screen it answers a "SHOT" request with.
#include "common/RecordingScript.h"
#include "common/TempDir.h"
#include "display/ui/DisplayProgram.h"
#include "display/ui/DisplayView.h"
#include "layouts/LayoutStore.h"
#include "platform/FileIo.h"
#include "platform/IniFile.h"
#include "platform/ProgramPaths.h"
#include "protocol/ShotMessage.h"
#include "protocol/StatusMessage.h"
#include "server/DisplayServer.h"

#include <QImage>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

// A bound against a hang, never a measurement.
constexpr int WaitMs = 10000;

class DisplayReportsTest : public ::testing::Test {
protected:
    DisplayReportsTest() {
        ProgramPaths::SetExecutablePath(dir.File("velmora"));
        FileIo::MakeFolders(dir.File("data"));
        // The layout's picture: magenta, a colour nothing else on the screen has.
        QImage magenta(200, 150, QImage::Format_RGB32);
        magenta.fill(Qt::magenta);
        magenta.save(QString::fromStdString(dir.File("data/1.bmp")));
        // Type 5: the picture over the screen but for a margin.
        ini.WriteInteger("ClientDisplay_Client3", "DisplayType", 5);
        script = std::make_unique<TRecordingScript>(
            TDisplayServer(ini.FileName(), nullptr).DisplayTypeBlockFor("Client 3", "127.0.0.1"));
        server = std::make_unique<TScriptedServer>(script->Script());
        options.Host = "127.0.0.1";
        options.Port = server->Port();
        options.Name = "Client 3";
        options.WindowedWidth = 816;
        options.WindowedHeight = 638;
    }
    ~DisplayReportsTest() override {
        program.reset();
        server.reset();
        ProgramPaths::SetExecutablePath("");
    }

    TTempDir dir;
    TIniFile ini{dir.File("velmora.ini")};
    std::unique_ptr<TRecordingScript> script;
    std::unique_ptr<TScriptedServer> server;
    TDisplayOptions options;
    std::unique_ptr<TDisplayProgram> program;
};

TEST_F(DisplayReportsTest, AStatusFollowsTheRegistrationAndAShotShowsTheScreen) {
    program = std::make_unique<TDisplayProgram>(options, dir.File("state/last-layout"));
    program->Start();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const auto blocks = script->Received();
            return !blocks.empty() && StatusMessage::Is(blocks.front());
        },
        WaitMs));
    const auto status = StatusMessage::Read(script->Received().front());
    EXPECT_EQ(status->Sender, "Client 3");
    EXPECT_NE(status->Lines.find("\r\nversion="), std::string::npos) << status->Lines;

    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const TDisplayView* view = program->Window().ShownView();
            return view != nullptr && view->IsReady();
        },
        WaitMs));
    // Close together: each is answered.
    script->Send(ShotMessage::MakeRequest("127.0.0.1"));
    script->Send(ShotMessage::MakeRequest("127.0.0.1"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return script->Shots().size() == 2; }, WaitMs));
    const std::string jpeg = script->Shots().front();
    const QImage picture = QImage::fromData(reinterpret_cast<const uchar*>(jpeg.data()),
                                            static_cast<int>(jpeg.size()), "JPEG");
    ASSERT_FALSE(picture.isNull());
    EXPECT_TRUE(picture.width() == 320 || picture.height() == 200) << picture.width();
    EXPECT_LE(picture.width(), 320);
    EXPECT_LE(picture.height(), 200);
    const QColor middle = picture.pixelColor(picture.width() / 2, picture.height() / 2);
    EXPECT_GT(middle.red(), 200) << middle.name().toStdString();
    EXPECT_LT(middle.green(), 60) << middle.name().toStdString();
    EXPECT_GT(middle.blue(), 200) << middle.name().toStdString();
}

} // namespace
