#include "layouts/ui/RotationRead.h"

#include "platform/HangProneWork.h"

#include <QCoreApplication>
#include <QTimer>
#include <system_error>

namespace {

// The reads of every layout window. Made on first use and left to the process end, which a
// thread stuck on a dead share must not hold up; beyond the reads given up on, a new one waits.
THangProneWork& Reads() {
    static auto* work = new THangProneWork({1, 4});
    return *work;
}

TRotationRead::TResult ReadNow(const std::string& path, bool firstPicture) {
    TRotationRead::TResult result{LocalRotation::Read(path), {}};
    const std::vector<TRotationItem>& items = result.Rotation.Items;
    if (!firstPicture || items.empty() || items.front().Kind != TRotationItem::TKind::Picture)
        return result;
    try {
        result.First = LoadPicture(QString::fromStdString(items.front().Path));
    } catch (const EPictureError& error) {
        result.Rotation.Problems.push_back("Skipped in the rotation: \"" + items.front().Path +
                                           "\": " + error.what());
    }
    return result;
}

} // namespace

// On the window thread only; the read's thread touches none of it.
struct TRotationRead::TRequest {
    TDone Done;
    THangProneWork::TTask<TResult> Task;

    void Answer(TResult result) {
        // Taken first: what it runs may start the next read and drop this one.
        if (const TDone done = std::exchange(Done, {}))
            done(std::move(result));
    }
};

void TRotationRead::Start(const std::string& path, bool firstPicture, TDone done) {
    Drop();
    request_ = std::make_shared<TRequest>();
    request_->Done = std::move(done);
    // The read's thread hands over to the window thread, where the result is taken.
    const auto readDone = [weak = std::weak_ptr(request_)] {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [weak] {
                if (const auto request = weak.lock())
                    if (std::optional<TResult> result = request->Task.Take())
                        request->Answer(std::move(*result));
            },
            Qt::QueuedConnection);
    };
    try {
        request_->Task = Reads().Start([path, firstPicture] { return ReadNow(path, firstPicture); },
                                       TimeLimit, readDone);
    } catch (const std::system_error& error) {
        TResult failed;
        failed.Rotation.Problems.push_back("\"" + path + "\" cannot be read: " + error.what());
        QMetaObject::invokeMethod(
            &context_, [request = request_, failed] { request->Answer(failed); },
            Qt::QueuedConnection);
        return;
    }
    QTimer::singleShot(TimeLimit, &context_, [weak = std::weak_ptr(request_), path] {
        const auto request = weak.lock();
        if (!request || !request->Done || request->Task.Check() == THangProneWork::TState::Finished)
            return;
        request->Task.Abandon();
        TResult late;
        late.Rotation.Problems.push_back(
            "\"" + path + "\" was not read within " +
            std::to_string(std::chrono::duration_cast<std::chrono::seconds>(TimeLimit).count()) +
            " s: it is not shown");
        request->Answer(std::move(late));
    });
}

void TRotationRead::Drop() {
    if (!request_)
        return;
    request_->Done = {};
    request_->Task = {}; // dropped before it reads a byte, if it still waits for a thread
    request_.reset();
}
