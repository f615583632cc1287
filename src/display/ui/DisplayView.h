#pragma once

#include "display/DisplayArrangement.h"
#include "display/LayoutContent.h"
#include "layoutview/LayoutScene.h"
#include "layoutview/PictureLoads.h"

#include <QWidget>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TDisplayTextBox;
class TRotationPlayer;
class TVideoEngine;
class TVideoSurface;

// One layout on a display's screen, composed by the layout scene as the layout window's Play mode
// composes it, at the screen's scale: panels in the panel colour, read-only texts, the picture
// inset in the main area, the video fitted in it, silent and looping without a seam. Its media load
// off the window thread; Ready follows once every part can be shown (the video's first frame
// decoded), so that the window swaps a new layout in whole. A file that cannot be shown leaves its
// area in the panel colour. A box that shows a rotation plays it (TRotationPlayer) where its video
// or picture stands; Ready follows its first item.
class TDisplayView : public QWidget {
    Q_OBJECT
public:
    // Where the view reports a file it cannot show (one line each); stderr by default.
    using TReport = std::function<void(const std::string&)>;

    // The scale asked for (0: the view's height over the Play mode window's).
    TDisplayView(TLayoutContent content, double requestedScale, QWidget* parent = nullptr);
    ~TDisplayView() override;

    const TLayoutContent& Content() const { return content_; }
    // How long a rotation's picture stands unless its playlist says; before Prepare.
    void SetPictureTime(std::chrono::seconds time) { pictureTime_ = time; }
    // Starts loading the media. Ready follows, also when a file fails.
    void Prepare();
    // Whether the view can show that content in its place, keeping its rotation's place: the
    // same type, files and rotations (by name), with other texts or other rotation items.
    bool Takes(const TLayoutContent& content) const;
    void Take(TLayoutContent content);
    bool IsReady() const { return prepared_ && pending_ == 0; }
    // The text controls in the layout window's order.
    const std::vector<std::unique_ptr<TDisplayTextBox>>& Texts() const { return scene_.Texts(); }
    // The engine of the video on show (a rotation's current one) and the surface it draws on;
    // null for a type without video.
    TVideoEngine* Video() const;
    TVideoSurface* VideoSurface() const { return scene_.VideoBox(); }
    // The player of the rotation the view shows; null without one.
    const TRotationPlayer* Rotation() const { return rotation_.get(); }

    static void SetReport(TReport report);
    static void Report(const std::string& line);

signals:
    void Ready();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Arrange();
    void PartDone();
    void LoadPicture();
    void StartVideo();
    void StartRotation();
    // The rotation the main area shows, if it shows one.
    const TShownRotation* ShownRotation() const;

    TLayoutContent content_;
    double requestedScale_;
    std::unique_ptr<TPictureLoads::TTicket> pictureLoad_;
    std::chrono::seconds pictureTime_{TDisplayOptions::DefaultPictureSeconds};
    std::unique_ptr<TVideoEngine> engine_;
    TLayoutScene scene_{*this};                 // after the engine: its video box goes first
    std::unique_ptr<TRotationPlayer> rotation_; // goes first, while the box it drives stands
    bool prepared_ = false;
    int pending_ = 0;
};
