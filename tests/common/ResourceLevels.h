#pragma once

#include "common/ProcessState.h"
#include "media/VideoPipeline.h"

#include <QTest>
#include <QThreadPool>
#include <glib.h>
#include <gtest/gtest.h>
#include <unistd.h>

// What the process holds once every video pipeline has been given back: its descriptors, and its
// threads without the idle ones that GLib and Qt keep for their pools. Tests of what layouts and
// videos give back compare these before and after.
struct TResourceLevels {
    // Bound of the waits: a guard against a hang, never a measurement.
    static constexpr int CeilingMs = 30000;

    long Descriptors = 0;
    long Threads = 0;

    static TResourceLevels Settled() {
        EXPECT_TRUE(QTest::qWaitFor([] { return TVideoPipeline::Alive() == 0; }, CeilingMs))
            << "a video pipeline is never given back";
        g_thread_pool_stop_unused_threads();
        // Qt's own pool scales large images with threads of its own, which it keeps a while.
        QThreadPool::globalInstance()->waitForDone(CeilingMs);
        return {ProcessState::Descriptors(::getpid()), ProcessState::Threads(::getpid())};
    }

    // Whether the process comes back to these levels, or below them.
    bool CameBack() const {
        return QTest::qWaitFor(
            [this] {
                const TResourceLevels now = Settled();
                return now.Descriptors <= Descriptors && now.Threads <= Threads;
            },
            CeilingMs);
    }
};
