#include "layoutview/PictureLoads.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <system_error>

// One load, on the window thread only; its thread touches none of it.
struct TPictureLoads::TTicket::TLoad {
    QPointer<QObject> Context;
    TDone Done;
    bool Wanted = true;    // the ticket lives
    bool Answered = false; // the owner has heard the outcome
    THangProneWork::TTask<TResult> Task;

    // Tells the owner once.
    void Answer(const TResult& result) {
        if (!Wanted || Answered || !Context)
            return;
        Answered = true;
        Done(result);
    }
};

TPictureLoads::TTicket::~TTicket() {
    load_->Wanted = false;
    load_->Task = {}; // dropped before it reads a byte, if it still waits for a thread
}

TPictureLoads& TPictureLoads::Shared() {
    static auto* loads = new TPictureLoads();
    return *loads;
}

TPictureLoads::TPictureLoads(TLoader loader, std::chrono::milliseconds timeLimit)
    : loader_(std::move(loader)), timeLimit_(timeLimit) {}

int TPictureLoads::GivenUp() const {
    return work_.Abandoned();
}

std::unique_ptr<TPictureLoads::TTicket> TPictureLoads::Load(const QString& path, QObject* context,
                                                            TDone done) {
    return Run([loader = loader_, path] { return loader(path); }, context, std::move(done));
}

std::unique_ptr<TPictureLoads::TTicket> TPictureLoads::Run(TWork work, QObject* context,
                                                           TDone done) {
    auto load = std::make_shared<TTicket::TLoad>();
    load->Context = context;
    load->Done = std::move(done);
    const auto read = [work = std::move(work)] {
        TResult result;
        try {
            result.Picture = std::make_shared<TPicture>(work());
        } catch (const std::exception& e) {
            result.Failure = QString::fromUtf8(e.what());
        }
        return result;
    };
    // The load's thread hands over to the window thread, where the result is taken.
    const auto readDone = [weak = std::weak_ptr(load)] {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [weak] {
                if (const auto wanted = weak.lock())
                    if (auto result = wanted->Task.Take())
                        wanted->Answer(*result);
            },
            Qt::QueuedConnection);
    };
    try {
        load->Task = work_.Start(read, timeLimit_, readDone);
        WatchTime(load, timeLimit_);
    } catch (const std::system_error& e) {
        const TResult failed{nullptr, QString::fromUtf8(e.what())};
        if (context != nullptr)
            QMetaObject::invokeMethod(
                context, [load, failed] { load->Answer(failed); }, Qt::QueuedConnection);
    }
    return std::make_unique<TTicket>(load);
}

void TPictureLoads::WatchTime(const std::shared_ptr<TTicket::TLoad>& load,
                              std::chrono::milliseconds time) {
    if (load->Context)
        QTimer::singleShot(time, load->Context, [this, load] { GiveUp(load); });
}

void TPictureLoads::GiveUp(const std::shared_ptr<TTicket::TLoad>& load) {
    if (load->Answered || !load->Wanted)
        return;
    const auto left = load->Task.UntilGivenUp();
    if (!left)
        return;
    if (left->count() > 0) {
        WatchTime(load, *left);
        return;
    }
    load->Answer({nullptr, QStringLiteral("it did not load within %1 s")
                               .arg(static_cast<double>(timeLimit_.count()) / 1000.0)});
}
