#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QVideoFrame>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

class QAudioOutput;
class QMediaPlayer;
class QVideoSink;
class QWidget;
class TVideoSurface;

// A video that cannot be opened or played; the message is UTF-8.
class EVideoPlayerError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Plays one video file into a panel of the layout window. It has no controls of its own and
// is itself invisible: the frames are drawn into the panel set as its display, inside the
// destination rectangle. Requests that fail throw EVideoPlayerError and leave an error code.
class TVideoPlayer : public QObject {
    Q_OBJECT

public:
    // Qt 6.4 can play through FFmpeg or GStreamer; its FFmpeg backend drops most frames of a
    // looping clip, so the program asks for GStreamer unless told otherwise. This sets an
    // environment variable: the program calls it at start, before any other thread runs, and
    // the first player calls it again for programs that did not.
    static void ChooseMediaBackend();

    enum class TMode { NotReady, Stopped, Playing, Recording, Seeking, Paused, Open };

    // Error codes of the last request.
    enum : int {
        NoError = 0,
        NotOpenError = 1,    // the request needs an open video
        CannotOpenError = 2, // the file is missing, unreadable or not a video it can play
        PlaybackError = 3,   // playing failed on the way
    };

    explicit TVideoPlayer(QObject* owner = nullptr);
    ~TVideoPlayer() override;

    // The file to open, as Windows-1251 bytes like every file name the layouts hold.
    const std::string& FileName() const { return fileName_; }
    void SetFileName(const std::string& fileName) { fileName_ = fileName; }

    // Opens the file and waits until its first picture is ready. Throws when it cannot.
    void Open();
    // Starts playing from the current position, or from the beginning when the position stands
    // at the end. With Notify set, OnNotify follows when the video has played to its end or
    // playing failed; with Wait set, Play returns only then.
    void Play();
    void Stop();
    void Close();

    TMode Mode();
    int Error() const { return error_; }

    QWidget* Display() const { return display_; }
    void SetDisplay(QWidget* display);
    // Where in the display the video is drawn. A width or height of 0 asks for the natural
    // size. Both do nothing while no video with a picture is open; then the rectangle reads
    // as empty.
    QRect DisplayRect() const;
    void SetDisplayRect(const QRect& rect);
    // The size of the video's frames; empty while no video with a picture is open.
    QSize NaturalSize() const;

    // 0 is silent, 100 is full volume.
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

    // Frames as they arrive from the decoder.
    QVideoSink* VideoSink() const { return sink_.get(); }

signals:
    // A frame not shown before has been drawn into the display.
    void FramePresented();

private:
    void TakeRequestSwitches(bool& notify, bool& wait);
    void Fail(int code, const QString& message);
    void OnMediaStatusChanged();
    void OnPlayerError();
    void OnFrame(const QVideoFrame& frame);
    void PostNotify();
    void PlaceSurface();
    bool HasPicture() const;
    bool WaitUntil(const std::function<bool()>& done, int timeoutMs);

    std::string fileName_;
    std::unique_ptr<QVideoSink> sink_;
    std::unique_ptr<QAudioOutput> audio_;
    std::unique_ptr<QMediaPlayer> player_;
    QPointer<QWidget> display_;
    QPointer<TVideoSurface> surface_;
    QRect displayRect_;
    QSize naturalSize_;
    int error_ = NoError;
    int volume_ = 100;
    bool notify_ = true;
    bool wait_ = false;
    bool notifyPending_ = false;
    // Counts requests, so a notification that a later request overtook is dropped.
    quint64 request_ = 0;
};
