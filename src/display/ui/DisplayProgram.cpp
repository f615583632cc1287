#include "display/ui/DisplayProgram.h"

#include "display/KeptLayout.h"
#include "display/ui/ScreenSaverInhibitor.h"
#include "platform/CodePage1251.h"

#include <cstdio>
#include <unistd.h>

TDisplayProgram::TDisplayProgram(TDisplayOptions options, std::string keptLayoutPath)
    : options_(std::move(options)), keptLayoutPath_(std::move(keptLayoutPath)), window_(options_) {}

TDisplayProgram::~TDisplayProgram() {
    if (link_)
        link_->Stop();
    if (linkThread_.joinable())
        linkThread_.join();
}

QString TDisplayProgram::StandbyText() const {
    const QString settings = QString::fromStdString(DisplayOptions::SettingsPath());
    if (options_.Name.empty() || options_.Host.empty())
        return QStringLiteral("This display has no %1 yet.\n\nStart it as\n"
                              "velmora-display --server HOST --name \"Client 1\"\n"
                              "or set Server= and Name= in section [Display] of\n%2")
            .arg(options_.Name.empty() ? QStringLiteral("slot name") : QStringLiteral("server"),
                 settings);
    return QStringLiteral("%1\n\nWaiting for the server at %2:%3")
        .arg(QString::fromStdString(CodePage1251::ToUtf8(options_.Name)),
             QString::fromStdString(options_.Host))
        .arg(options_.Port);
}

void TDisplayProgram::Start() {
    window_.ShowStandby(StandbyText());
    window_.Present();
    inhibitor_ = std::make_unique<TScreenSaverInhibitor>();
    if (options_.Name.empty() || options_.Host.empty())
        return;
    // Shown before any server answers: the last layout received for this slot.
    if (const auto kept = KeptLayout::Load(keptLayoutPath_); kept && kept->Name == options_.Name)
        window_.ShowLayout(kept->DisplayType, kept->ConfigText);
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    link_ = std::make_unique<TDisplayLink>(options_, host, transport_, *this);
    linkThread_ = std::thread([this] { link_->Run(); });
}

void TDisplayProgram::Status(const std::string& line) {
    std::fprintf(stderr, "velmora-display: %s\n", line.c_str());
}

void TDisplayProgram::LayoutReceived(int displayType, const std::string& configText) {
    if (!KeptLayout::Save(keptLayoutPath_, {options_.Name, displayType, configText}))
        Status("cannot keep the layout in " + keptLayoutPath_);
    QMetaObject::invokeMethod(
        this, [this, displayType, configText] { window_.ShowLayout(displayType, configText); },
        Qt::QueuedConnection);
}

void TDisplayProgram::MessageReceived(const std::string& text) {
    QMetaObject::invokeMethod(
        this, [this, text] { window_.ShowMessage(text); }, Qt::QueuedConnection);
}
