#pragma once

#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

// Measures a looping video as drawn: the time to its first frame, the time between frames
// within a pass, the seam between the last frame of a pass and the first of the next, and the
// process's CPU time per wall time from the first frame on (decoding, conversion and drawing).
class TSeamMeter {
public:
    void Start() { clock_.start(); }

    // A frame was drawn; firstOfPass when it starts a pass after the first.
    void Drawn(bool firstOfPass) {
        const qint64 now = clock_.nsecsElapsed();
        if (firstNs_ < 0) {
            firstNs_ = now;
            cpuAtFirstNs_ = CpuNs();
        } else {
            const double gapMs = static_cast<double>(now - lastNs_) / 1e6;
            (firstOfPass ? seamsMs_ : intervalsMs_).push_back(gapMs);
        }
        lastNs_ = now;
    }
    // For an engine that numbers its frames: the frames after the number it had when a pass
    // ended belong to the next pass.
    void PassEnded(quint64 frameNumber) {
        boundary_ = frameNumber;
        boundarySet_ = true;
    }
    void DrawnFrame(quint64 frameNumber) {
        const bool firstOfPass =
            boundarySet_ && drawnNumber_ <= boundary_ && frameNumber > boundary_;
        if (firstOfPass)
            boundarySet_ = false;
        drawnNumber_ = frameNumber;
        Drawn(firstOfPass);
    }

    int Loops() const { return static_cast<int>(seamsMs_.size()); }

    double FirstFrameMs() const { return static_cast<double>(firstNs_) / 1e6; }
    double MedianIntervalMs() const { return Median(intervalsMs_); }
    double MedianSeamMs() const { return Median(seamsMs_); }
    double WorstSeamMs() const {
        return seamsMs_.empty() ? 0 : *std::max_element(seamsMs_.begin(), seamsMs_.end());
    }
    double WorstIntervalMs() const {
        return intervalsMs_.empty() ? 0
                                    : *std::max_element(intervalsMs_.begin(), intervalsMs_.end());
    }
    // Gaps within a pass of at least that long: frames missed.
    int IntervalsOver(double ms) const {
        return static_cast<int>(std::count_if(intervalsMs_.begin(), intervalsMs_.end(),
                                              [ms](double gap) { return gap >= ms; }));
    }
    double BestSeamMs() const {
        return seamsMs_.empty() ? 0 : *std::min_element(seamsMs_.begin(), seamsMs_.end());
    }
    // Percent of one core since the first frame.
    double CpuPercent() const {
        const double wall = static_cast<double>(lastNs_ - firstNs_);
        return wall <= 0 ? 0 : 100.0 * static_cast<double>(CpuNs() - cpuAtFirstNs_) / wall;
    }

    void Print(const char* name) const {
        if (firstNs_ < 0) {
            std::printf("%-34s no frame\n", name);
            return;
        }
        std::printf("%-34s first %6.1f ms  interval %5.1f ms  seam median %5.1f best %5.1f "
                    "worst %5.1f ms over %2d loops  cpu %5.1f %%\n",
                    name, FirstFrameMs(), MedianIntervalMs(), MedianSeamMs(), BestSeamMs(),
                    WorstSeamMs(), Loops(), CpuPercent());
        std::fflush(stdout);
    }

private:
    static double Median(std::vector<double> values) {
        if (values.empty())
            return 0;
        std::sort(values.begin(), values.end());
        const size_t mid = values.size() / 2;
        return values.size() % 2 != 0 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
    }
    static qint64 CpuNs() {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return static_cast<qint64>(t.tv_sec) * 1000000000 + t.tv_nsec;
    }

    QElapsedTimer clock_;
    qint64 firstNs_ = -1;
    qint64 lastNs_ = -1;
    qint64 cpuAtFirstNs_ = 0;
    quint64 boundary_ = 0;
    bool boundarySet_ = false;
    quint64 drawnNumber_ = 0;
    std::vector<double> seamsMs_;
    std::vector<double> intervalsMs_;
};
