#include "layoutview/RotationReads.h"

#include <QTimer>
#include <algorithm>
#include <system_error>

// One reading, on the window thread only; its thread touches none of it.
struct TRotationReads::TReading {
    std::string Named;
    TDone Done;
    THangProneWork::TTask<TRotationReadResult> Task;
};

TRotationReads::~TRotationReads() = default;

void TRotationReads::Start(TRotationRead read, TDone done) {
    auto reading = std::make_shared<TReading>();
    reading->Named = read.LayoutPath;
    reading->Done = std::move(done);
    readings_.push_back(reading);
    const auto answer = [this](const std::shared_ptr<TReading>& one, TRotationReadResult result) {
        const auto found = std::find(readings_.begin(), readings_.end(), one);
        if (found == readings_.end())
            return; // answered already
        readings_.erase(found);
        one->Done(std::move(result));
    };
    const auto finished = [this, answer, weak = std::weak_ptr(reading)] {
        QMetaObject::invokeMethod(
            this,
            [answer, weak] {
                if (const auto one = weak.lock())
                    if (auto result = one->Task.Take())
                        answer(one, std::move(*result));
            },
            Qt::QueuedConnection);
    };
    try {
        reading->Task = work_.Start([read = std::move(read)] { return RotationRead::Run(read); },
                                    TimeLimit, finished);
        Watch(reading, TimeLimit);
    } catch (const std::system_error& e) {
        TRotationReadResult failed;
        failed.Rotation.Problems.push_back("\"" + reading->Named +
                                           "\" cannot be read: " + e.what());
        QMetaObject::invokeMethod(
            this, [answer, reading, failed] { answer(reading, failed); }, Qt::QueuedConnection);
    }
}

void TRotationReads::Watch(const std::shared_ptr<TReading>& reading,
                           std::chrono::milliseconds time) {
    QTimer::singleShot(time, this, [this, weak = std::weak_ptr(reading)] {
        const auto one = weak.lock();
        if (!one)
            return;
        const auto left = one->Task.UntilGivenUp();
        if (!left)
            return;
        if (left->count() > 0) {
            Watch(one, *left);
            return;
        }
        const auto found = std::find(readings_.begin(), readings_.end(), one);
        if (found == readings_.end())
            return;
        readings_.erase(found);
        TRotationReadResult failed;
        failed.Rotation.Problems.push_back(
            "\"" + one->Named + "\" was not read within " +
            std::to_string(std::chrono::duration_cast<std::chrono::seconds>(TimeLimit).count()) +
            " s; given up");
        one->Done(std::move(failed));
    });
}
