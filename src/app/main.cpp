// Velmora: the operator's server for a network of advertising displays.
#include "app/ui/Application.h"
#include "app/ui/MainForm.h"
#include "app/ui/SignalWatcher.h"
#include "console/ui/Help.h"
#include "media/VideoEngine.h"
#include "startup/ui/Logo.h"

#include <QTimer>
#include <memory>

int main(int argc, char** argv) {
    TApplication application(argc, argv);
    TVideoEngine::Prepare();

    // The start order matters: the main window's creation must not read the language table,
    // which the help object holds, nor the language, which the splash object reads.
    auto fmMain = std::make_unique<TfmMain>();
    auto fmHelp = std::make_unique<TfmHelp>();
    auto fmLogo = std::make_unique<TfmLogo>();
    fmMain->Attach(*fmHelp, *fmLogo);

    TSignalWatcher terminationSignals;
    QObject::connect(&terminationSignals, &TSignalWatcher::terminationRequested, fmMain.get(),
                     &QWidget::close);

    // The message loop shows the main window.
    QTimer::singleShot(0, fmMain.get(), &TfmMain::ShowForm);
    const int result = application.exec();

    // The main window writes its settings and stops the server; then the splash object writes
    // the interface language.
    fmMain.reset();
    fmHelp.reset();
    fmLogo.reset();
    return result;
}
