#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <functional>
#include <stdexcept>
#include <string>

class QWidget;
class TVideoEngine;
class TVideoSurface;

// A request the player refuses; the message is UTF-8.
class EVideoPlayerError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Plays one video file into a panel of the layout window, over the program's video engine. It
// has no controls of its own and is itself invisible: the frames are drawn into the panel set as
// its display, inside the destination rectangle. Opening returns at once; a file that turns out
// not to play leaves the player not ready with an error code, and its panel empty.
class TVideoPlayer : public QObject {
    Q_OBJECT

public:
    enum class TMode { NotReady, Stopped, Playing, Recording, Seeking, Paused, Open };

    // Error codes of the last request.
    enum : int {
        NoError = 0,
        NotOpenError = 1,    // the request needs an open video
        CannotOpenError = 2, // the file is missing, not a regular file or not a video it can play
        PlaybackError = 3,   // playing failed on the way
    };

    explicit TVideoPlayer(QObject* owner = nullptr);
    ~TVideoPlayer() override;

    // The file to open, as Windows-1251 bytes like every file name the layouts hold.
    const std::string& FileName() const { return fileName_; }
    void SetFileName(const std::string& fileName) { fileName_ = fileName; }

    // Starts opening the file and returns at once; NaturalSizeKnown follows when the first
    // picture is decoded, a notification (when asked for by Play) when it cannot be played.
    void Open();
    // Starts playing from the current position, or from the beginning when the position stands
    // at the end; a Play that answers the end of a pass at once goes on without a seam. With
    // Notify set, OnNotify follows when the video has played to its end or playing failed; with
    // Wait set, Play returns only then.
    void Play();
    void Stop();
    void Close();

    TMode Mode();
    int Error() const { return error_; }

    QWidget* Display() const { return display_; }
    void SetDisplay(QWidget* display);
    // Where in the display the video is drawn, kept as given even with no positive extent (such
    // a video is simply not seen). Both do nothing while no video with a picture is open; then
    // the rectangle reads as empty.
    QRect DisplayRect() const;
    void SetDisplayRect(const QRect& rect);
    // Puts the video at topLeft in its natural size.
    void ShowAtNaturalSize(const QPoint& topLeft);
    // The size of the video's frames; empty while no video with a picture is open.
    QSize NaturalSize() const;

    // 0 is silent, 100 is full volume. The engine plays no sound: the program's videos run
    // silent, so any volume is kept but nothing is heard.
    int Volume() const { return volume_; }
    void SetVolume(int volume);

    // Switches for the next request; after it they return to Notify on and Wait off.
    bool Notify() const { return notify_; }
    void SetNotify(bool notify) { notify_ = notify; }
    bool Wait() const { return wait_; }
    void SetWait(bool wait) { wait_ = wait; }

    // The completion notification. It arrives through the event loop of the window thread,
    // never from inside a request.
    std::function<void(TVideoPlayer&)> OnNotify;

    TVideoEngine& Engine() const { return *engine_; }

signals:
    // The first picture is decoded: the natural size is known, and the display rectangle may
    // be fitted to it.
    void NaturalSizeKnown();
    // A frame not shown before has been drawn into the display.
    void FramePresented();

private:
    void TakeRequestSwitches(bool& notify, bool& wait);
    [[noreturn]] void Fail(int code, const QString& message);
    void OnOpened();
    void OnEnded();
    void PlaceSurface();
    bool HasPicture() const;
    int FailureCode() const;

    std::string fileName_;
    TVideoEngine* engine_ = nullptr; // a child
    QPointer<QWidget> display_;
    QPointer<TVideoSurface> surface_;
    QRect displayRect_;
    int error_ = NoError;
    int volume_ = 100;
    bool notify_ = true;
    bool wait_ = false;
    bool notifyPending_ = false;
};
