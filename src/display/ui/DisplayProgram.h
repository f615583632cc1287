#pragma once

#include "display/DisplayLink.h"
#include "display/DisplayOptions.h"
#include "display/TcpTransport.h"
#include "display/ui/DisplayWindow.h"

#include <QObject>
#include <memory>
#include <thread>

class TScreenSaverInhibitor;

// The display program: its window, and the link to the server on a thread of its own, whose
// events reach the window through its event loop. Every layout received is kept on disk, and
// the kept one is shown at once at the next start, before any server answers.
class TDisplayProgram : public QObject, public IDisplayLinkEvents {
    Q_OBJECT
public:
    TDisplayProgram(TDisplayOptions options, std::string keptLayoutPath);
    ~TDisplayProgram() override;

    TDisplayWindow& Window() { return window_; }
    // Shows the window and starts the link (when a name and a server are set).
    void Start();

    // The link's events, from its thread.
    void Status(const std::string& line) override;
    void LayoutReceived(int displayType, const std::string& configText) override;
    void MessageReceived(const std::string& text) override;

private:
    QString StandbyText() const;

    const TDisplayOptions options_;
    const std::string keptLayoutPath_;
    TDisplayWindow window_;
    std::unique_ptr<TScreenSaverInhibitor> inhibitor_;
    TTcpTransport transport_;
    std::unique_ptr<TDisplayLink> link_;
    std::thread linkThread_;
};
