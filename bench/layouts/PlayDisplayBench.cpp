// How long "Play display" takes to show the layout window of a picture layout whose picture is a
// named pipe (which once held the window for ever), beside the same layout with an ordinary
// picture. From the call the button makes to the window shown, offscreen.
#include "common/CheckoutPaths.h"
#include "common/NamedPipe.h"
#include "common/TempDir.h"
#include "layouts/LayoutStore.h"
#include "layouts/ui/DisplaySetupForm.h"
#include "platform/FileIo.h"
#include "platform/IniFile.h"
#include "platform/ProgramPaths.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int Rounds = 20;

// Closes the layout window as soon as it is shown and notes when that was.
class TShownWatch : public QObject {
public:
    explicit TShownWatch(QElapsedTimer& clock) : clock_(clock) {}
    qint64 shownAt = -1;

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::Show && shownAt < 0) {
            if (auto* window = qobject_cast<TfmDisplaySetup*>(object)) {
                shownAt = clock_.nsecsElapsed();
                QTimer::singleShot(0, window, &QWidget::close);
            }
        }
        return false;
    }

private:
    QElapsedTimer& clock_;
};

struct TFigure {
    double Median, Max; // ms; the largest is the first, cold round
};

TFigure Figure(std::vector<qint64> nanoseconds) {
    std::sort(nanoseconds.begin(), nanoseconds.end());
    return {static_cast<double>(nanoseconds[nanoseconds.size() / 2]) / 1e6,
            static_cast<double>(nanoseconds.back()) / 1e6};
}

TFigure TimeToShown(const std::string& pictureFile) {
    TIniFile(ProgramPaths::IniPath())
        .WriteString("DisplayParams_Client1_5", "Images_0_FileName", pictureFile);
    std::vector<qint64> times;
    for (int i = 0; i < Rounds; ++i) {
        QElapsedTimer clock;
        TShownWatch watch(clock);
        qApp->installEventFilter(&watch);
        clock.start();
        CurrentDisplayType = 5;
        PlayDisplayLayout("Client 1");
        qApp->removeEventFilter(&watch);
        times.push_back(watch.shownAt);
    }
    return Figure(times);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const TTempDir program;
    const TConfigHomeGuard home(program.Path());
    ProgramPaths::SetExecutablePath(program.File("velmora"));
    FileIo::MakeFolders(program.File("data"));
    QFile::copy(QString::fromStdString(CheckoutPaths::SourceFile(VELMORA_DATA_FOLDER "1.bmp")),
                QString::fromStdString(program.File("data/1.bmp")));

    TNamedPipe pipe(program.File("live.jpg"), std::chrono::seconds(10));
    const TFigure namedPipe = TimeToShown(program.File("live.jpg"));
    const bool blocked = pipe.Finish();
    const TFigure ordinary = TimeToShown(program.File("data/1.bmp"));

    std::printf("\"Play display\" to the layout window shown (picture layout, %d rounds):\n",
                Rounds);
    std::printf("  picture on a named pipe   median %7.2f ms   max %7.2f%s\n", namedPipe.Median,
                namedPipe.Max, blocked ? "  (the window waited on the pipe)" : "");
    std::printf("  ordinary 320x240 bitmap   median %7.2f ms   max %7.2f\n", ordinary.Median,
                ordinary.Max);
    return blocked ? 1 : 0;
}
