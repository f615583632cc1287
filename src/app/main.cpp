// Velmora: the operator's server for a network of advertising displays.
#include "app/WindowSystem.h"
#include "app/ui/Application.h"
#include "app/ui/MainForm.h"
#include "app/ui/SignalWatcher.h"
#include "app/ui/SingleInstance.h"
#include "console/ui/Help.h"
#include "media/VideoEngine.h"
#include "platform/ProgramPaths.h"
#include "startup/ui/Logo.h"
#include "widgets/ErrorBox.h"

#include <QTimer>
#include <cstdio>
#include <memory>

int main(int argc, char** argv) {
    WindowSystem::Choose();
    TApplication application(argc, argv);

    // Before anything reads or writes a setting: a second start of this executable hands over to
    // the running one and ends without touching its files.
    TSingleInstance instance(ProgramPaths::IniPath());
    switch (instance.Claim()) {
    case TSingleInstance::TRole::First:
        break;
    case TSingleInstance::TRole::HandedOver:
        return 0;
    case TSingleInstance::TRole::Unreachable:
        std::fprintf(stderr, "velmora: %s\n", qPrintable(instance.UnreachableMessage()));
        ErrorBox::Show(instance.UnreachableMessage());
        return 1;
    }
    TVideoEngine::Prepare();

    // The start order matters: the main window's creation must not read the language table,
    // which the help object holds, nor the language, which the splash object reads.
    auto fmMain = std::make_unique<TfmMain>();
    auto fmHelp = std::make_unique<TfmHelp>();
    auto fmLogo = std::make_unique<TfmLogo>();
    fmMain->Attach(*fmHelp, *fmLogo);

    TSignalWatcher terminationSignals;
    QObject::connect(&terminationSignals, &TSignalWatcher::terminationRequested, fmMain.get(),
                     &TfmMain::CloseOnSignal);
    QObject::connect(&instance, &TSingleInstance::showRequested, fmMain.get(),
                     &TfmMain::BringToFront);

    // The message loop shows the main window.
    QTimer::singleShot(0, fmMain.get(), &TfmMain::ShowForm);
    const int result = application.exec();
    instance.StopServing();

    // The main window writes its settings and stops the server; then the splash object writes
    // the interface language.
    fmMain.reset();
    fmHelp.reset();
    fmLogo.reset();
    return result;
}
