#pragma once

#include "layoutview/PictureLoader.h"
#include "platform/HangProneWork.h"

#include <QObject>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>

// Loads pictures off the window thread, two at a time on threads of their own
// (platform/HangProneWork), so they never queue behind other work of the process: the display's
// picture box and the rotations' pictures, read and drawn at the size they are shown at. A load
// whose owner has gone (its ticket dropped) is dropped before it reads a byte. One that runs for
// longer than the time limit (a file on a hung mount) is given up: its owner hears so, and
// another thread takes its place while it finishes, so later loads are never starved.
class TPictureLoads {
public:
    static constexpr int Threads = 2;
    static constexpr std::chrono::milliseconds TimeLimit{15000};
    // Threads given up on at once beyond the pool's own; more loads than that on hung mounts
    // wait for one of them.
    static constexpr int MostGivenUp = 8;

    struct TResult {
        std::shared_ptr<TPicture> Picture; // null when it cannot be shown
        QString Failure;                   // why, UTF-8 text
    };
    using TDone = std::function<void(const TResult&)>;
    using TLoader = std::function<TPicture(const QString& path)>;
    // Makes a picture on a load's thread; it throws what the picture cannot be shown for.
    using TWork = std::function<TPicture()>;

    // Keeps its load wanted while it lives.
    class TTicket {
    public:
        struct TLoad;
        explicit TTicket(std::shared_ptr<TLoad> load) : load_(std::move(load)) {}
        ~TTicket();
        TTicket(const TTicket&) = delete;
        TTicket& operator=(const TTicket&) = delete;

    private:
        std::shared_ptr<TLoad> load_;
    };

    // The process's loads. Made on first use and left to the process end, since a thread stuck
    // on a hung mount must not hold up the exit.
    static TPictureLoads& Shared();

    explicit TPictureLoads(TLoader loader = LoadPicture,
                           std::chrono::milliseconds timeLimit = TimeLimit);
    // Waits for no thread: a load still reading is left to finish alone.
    ~TPictureLoads() = default;
    TPictureLoads(const TPictureLoads&) = delete;
    TPictureLoads& operator=(const TPictureLoads&) = delete;

    // Starts loading the file. Done runs once, on the window thread, with the picture or why
    // there is none; never after the context is gone or the ticket dropped.
    [[nodiscard]] std::unique_ptr<TTicket> Load(const QString& path, QObject* context, TDone done);
    // Runs other work that makes a picture (draws one at a size, reads one otherwise) as a load,
    // answered the same way.
    [[nodiscard]] std::unique_ptr<TTicket> Run(TWork work, QObject* context, TDone done);

    // Loads given up on that still run.
    int GivenUp() const;

private:
    // Looks again after that time whether the load is over its time limit, on the window thread.
    void WatchTime(const std::shared_ptr<TTicket::TLoad>& load, std::chrono::milliseconds time);
    void GiveUp(const std::shared_ptr<TTicket::TLoad>& load);

    const TLoader loader_;
    const std::chrono::milliseconds timeLimit_;
    THangProneWork work_{{Threads, MostGivenUp}};
};
