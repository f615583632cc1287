#pragma once

#include "layouts/RotationSequence.h"
#include "layoutview/RotationReads.h"

#include <QObject>
#include <QPointer>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

class TLayoutScene;
class TPictureBox;
class TRotationPlayer;

// What the layout window shows where a layout's video or picture names a rotation (a playlist or
// a folder): in Play mode the rotation itself in the scene's rotation box, in the video's or the
// picture's place; in Edit mode its first item in the picture box. The rotation is read off the
// window thread (TRotationReads); its problem lines go to stderr, where the window's videos say
// what they cannot play.
class TLayoutRotation : public QObject {
    Q_OBJECT

public:
    // A picture's time on screen unless its playlist gives its own.
    static constexpr std::chrono::seconds PictureTime{10};
    // What is done instead when the layout names one file after all.
    using TOneFile = std::function<void()>;

    explicit TLayoutRotation(TLayoutScene& scene);
    ~TLayoutRotation() override;

    // Whether a layout path (Windows-1251 bytes) may name a rotation; the others name one file.
    static bool MayName(const std::string& fileName);

    // Plays the rotation the path (Windows-1251 bytes) names, once it is read, replacing any.
    void Play(const std::string& fileName, TOneFile oneFile);
    // Shows the first item of the rotation in the box once it is read: a picture, or nothing for
    // a video (as Edit mode shows a video: its name, not its frames).
    void ShowFirst(const std::string& fileName, TPictureBox& box, TOneFile oneFile);
    // Places the rotation box again: the scene was arranged.
    void Refit();
    // Shows nothing any more and forgets a read under way.
    void Stop();

    // The player of the rotation on show; null while none plays.
    TRotationPlayer* Player() const { return player_; }

private:
    void Start(const std::string& fileName, TOneFile oneFile,
               std::function<void(std::vector<TRotationItem>)> shown);
    void PlayItems(std::vector<TRotationItem> items);

    TLayoutScene& scene_;
    TRotationReads reads_{this};
    TRotationPlayer* player_ = nullptr; // a child
};
