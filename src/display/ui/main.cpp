// velmora-display: shows the layout that the operator's Velmora server gives this display.
#include "display/DisplayOptions.h"
#include "display/KeptLayout.h"
#include "display/KioskInstaller.h"
#include "display/KioskPrerequisites.h"
#include "display/KioskSession.h"
#include "display/ServerAddress.h"
#include "display/ui/DisplayProgram.h"
#include "display/ui/DisplayView.h"
#include "media/VideoEngine.h"
#include "platform/Autostart.h"
#include "platform/IniFile.h"
#include "platform/ProgramPaths.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

int RunAutostart(const TDisplayCommand& command) {
    TAutostart autostart;
    const std::string title = ProgramPaths::ProgramTitle();
    try {
        if (command.Action == TDisplayAction::RemoveAutostart) {
            if (!autostart.DeleteEntry(title))
                throw std::runtime_error("Cannot remove " + autostart.EntryFileName(title));
            std::printf("No longer starts with the desktop session.\n");
        } else {
            autostart.WriteEntry(title, ProgramPaths::ExecutablePath(), command.OptionArguments);
            std::printf("Starts with the desktop session: %s\n",
                        autostart.EntryFileName(title).c_str());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "velmora-display: %s\n", e.what());
        return 1;
    }
    return 0;
}

int RunKiosk(const TDisplayCommand& command) {
    TKioskMachine machine;
    // In step with what systemctl, a child of ours, writes to the same output.
    TKioskInstaller installer(machine, [](const std::string& line) {
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
    });
    try {
        if (command.Action == TDisplayAction::RemoveKiosk)
            installer.Remove();
        else
            installer.Install(command.KioskAccount, command.OptionArguments);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "velmora-display: %s\n", e.what());
        return 1;
    }
    return 0;
}

int RunKioskSession(const TDisplayCommand& command) {
    try {
        const auto display =
            KioskPrerequisites::DisplayProgram(ProgramPaths::RunningExecutable(), "/");
        if (!display)
            throw EKioskError("Cannot tell where velmora-display is");
        // The unit's runtime folder lasts until the next boot.
        const char* state = std::getenv("RUNTIME_DIRECTORY");
        return TKioskSession(KioskSession::Command(*display, command.OptionArguments),
                             state != nullptr ? state : "")
            .Run();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "velmora-display: %s\n", e.what());
        return 1;
    }
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    TDisplayCommand command;
    try {
        command = DisplayOptions::Parse(arguments, TIniFile(DisplayOptions::SettingsPath()));
    } catch (const EDisplayOptionsError& e) {
        std::fprintf(stderr, "velmora-display: %s\n", e.what());
        return 2;
    }
    switch (command.Action) {
    case TDisplayAction::Help:
        std::fputs(DisplayOptions::HelpText().c_str(), stdout);
        return 0;
    case TDisplayAction::InstallAutostart:
    case TDisplayAction::RemoveAutostart:
        return RunAutostart(command);
    case TDisplayAction::InstallKiosk:
    case TDisplayAction::RemoveKiosk:
        return RunKiosk(command);
    case TDisplayAction::KioskSession:
        return RunKioskSession(command);
    case TDisplayAction::Run:
        break;
    }
    if (const auto refusal = ServerAddress::StartRefusal(command.Options.Host)) {
        std::fprintf(stderr, "velmora-display: %s\n", refusal->c_str());
        return 2;
    }
    QApplication application(argc, argv);
    // The decoders load while the window comes up, not when the first video arrives.
    TVideoEngine::Prepare();
    TDisplayProgram program(command.Options, KeptLayout::Path());
    // A file the display cannot show is a problem its status says.
    TDisplayView::SetReport([&program](const std::string& line) { program.Problem(line); });
    program.Start();
    return application.exec();
}
