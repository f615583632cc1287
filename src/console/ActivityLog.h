#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

// The activity log: one line for every event the display server reports, kept for the current
// run only. Any thread appends; an append takes a short lock and never waits for the window
// thread, which collects the new lines on its own timer. Each line stays whole and the lines
// keep the order of the calls.
class TActivityLog {
public:
    // Older lines are dropped beyond this many, so a flooding client cannot exhaust memory.
    static constexpr size_t MaxLines = 10000;

    void AddLog(std::string line);
    void Clear();

    // Every line still kept, oldest first.
    std::vector<std::string> Lines() const;

    // The lines added after the one numbered `after` (0 = from the start), and the number of
    // the last line now. Lines dropped meanwhile are skipped, so a slow reader only loses the
    // oldest lines, never a part of one.
    std::vector<std::string> LinesAfter(uint64_t after, uint64_t& last) const;

private:
    mutable std::mutex mutex_;
    std::deque<std::string> lines_;
    uint64_t lastNumber_ = 0; // number of the newest line; lines are numbered from 1
};
