#pragma once

#include "layouts/RotationRead.h"
#include "platform/HangProneWork.h"

#include <QObject>
#include <chrono>
#include <functional>
#include <memory>

// Reads rotations (playlists, folder listings) off the window thread, on threads of its own
// (platform/HangProneWork): a playlist on a hung share must not hold the screen or the window. A
// reading past the time limit is given up and answered with a line saying so.
class TRotationReads : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds TimeLimit{15000};
    static constexpr THangProneWork::TBound Bound{2, 8};

    using TDone = std::function<void(TRotationReadResult)>;

    explicit TRotationReads(QObject* parent = nullptr) : QObject(parent) {}
    // Readings still under way are dropped: their answers never come.
    ~TRotationReads() override;

    // Done runs once on the window thread, unless this object is gone first.
    void Start(TRotationRead read, TDone done);
    // The readings under way are forgotten: their answers never come.
    void DropAll() { readings_.clear(); }

private:
    struct TReading;

    void Watch(const std::shared_ptr<TReading>& reading, std::chrono::milliseconds time);

    THangProneWork work_{Bound};
    std::vector<std::shared_ptr<TReading>> readings_;
};
