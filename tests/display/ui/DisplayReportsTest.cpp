// The display program against a scripted server: the status it sends once registered, and the
// picture of its screen it answers a "SHOT" request with.
#include "common/ScriptedServer.h"
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
#include <mutex>

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
        answer =
            TDisplayServer(ini.FileName(), nullptr).DisplayTypeBlockFor("Client 3", "127.0.0.1");
        options.Host = "127.0.0.1";
        options.Port = server.Port();
        options.Name = "Client 3";
        options.WindowedWidth = 816;
        options.WindowedHeight = 638;
    }
    ~DisplayReportsTest() override {
        program.reset();
        ProgramPaths::SetExecutablePath("");
    }

    // Answers the registration, then asks for a picture when told and keeps what the display sends.
    bool Serve(TScriptedServer::TConnection& connection) {
        if (!connection.Send(answer))
            return false;
        for (;;) {
            if (askShots > 0) {
                --askShots;
                if (!connection.Send(ShotMessage::MakeRequest("127.0.0.1")))
                    return false;
            }
            bool ended = false;
            const auto block = connection.Receive(20ms, ended);
            if (ended)
                return false;
            if (block) {
                std::lock_guard lock(mutex);
                received.push_back(*block);
            }
        }
    }
    std::vector<TExchangeBlock> Received() {
        std::lock_guard lock(mutex);
        return received;
    }
    // The pictures answered so far, their parts joined.
    std::vector<std::string> Shots() {
        std::vector<std::string> shots;
        std::string jpeg;
        for (const TExchangeBlock& block : Received()) {
            if (const auto part = ShotMessage::ReadPart(block)) {
                jpeg += part->Bytes;
                if (part->Part == part->Count)
                    shots.push_back(std::exchange(jpeg, {}));
            }
        }
        return shots;
    }

    TTempDir dir;
    TIniFile ini{dir.File("velmora.ini")};
    TExchangeBlock answer{};
    std::atomic<int> askShots{0};
    std::mutex mutex;
    std::vector<TExchangeBlock> received; // under mutex
    TScriptedServer server{[this](TScriptedServer::TConnection& c) { return Serve(c); }};
    TDisplayOptions options;
    std::unique_ptr<TDisplayProgram> program;
};

TEST_F(DisplayReportsTest, AStatusFollowsTheRegistrationAndAShotShowsTheScreen) {
    program = std::make_unique<TDisplayProgram>(options, dir.File("state/last-layout"));
    program->Start();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const auto blocks = Received();
            return !blocks.empty() && StatusMessage::Is(blocks.front());
        },
        WaitMs));
    const auto status = StatusMessage::Read(Received().front());
    EXPECT_EQ(status->Sender, "Client 3");
    EXPECT_NE(status->Lines.find("\r\nversion="), std::string::npos) << status->Lines;

    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const TDisplayView* view = program->Window().ShownView();
            return view != nullptr && view->IsReady();
        },
        WaitMs));
    askShots = 2; // close together: each is answered
    ASSERT_TRUE(QTest::qWaitFor([&] { return Shots().size() == 2; }, WaitMs));
    const std::string jpeg = Shots().front();
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
