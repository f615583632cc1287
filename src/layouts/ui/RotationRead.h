#pragma once

#include "layouts/LocalRotation.h"
#include "layoutview/PictureLoader.h"

#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

class QObject;

// Reads the rotation the layout window shows off the window thread (platform/HangProneWork), so
// that a playlist or a folder on a dead share never holds the window: a read that has not
// answered within the time limit is given up, said in a problem line, and its thread left to
// return alone. One read at a time: a new one drops the one before.
class TRotationRead {
public:
    static constexpr std::chrono::milliseconds TimeLimit{15000};

    struct TResult {
        LocalRotation::TLocal Rotation;
        TPicture First; // the first item, when asked for and it is a picture that loads
    };
    using TDone = std::function<void(TResult)>;

    // The answers come on the window thread while the context lives.
    explicit TRotationRead(QObject& context) : context_(context) {}
    ~TRotationRead() { Drop(); }
    TRotationRead(const TRotationRead&) = delete;
    TRotationRead& operator=(const TRotationRead&) = delete;

    // Reads what the path (UTF-8) names, and with firstPicture the first item's picture too. Done
    // runs once, on the window thread, unless dropped first.
    void Start(const std::string& path, bool firstPicture, TDone done);
    void Drop();

private:
    struct TRequest;

    QObject& context_;
    std::shared_ptr<TRequest> request_;
};
