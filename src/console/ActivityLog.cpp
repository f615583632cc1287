#include "ActivityLog.h"

void TActivityLog::AddLog(std::string line) {
    std::lock_guard lock(mutex_);
    lines_.push_back(std::move(line));
    ++lastNumber_;
    if (lines_.size() > MaxLines)
        lines_.pop_front();
}

void TActivityLog::Clear() {
    std::lock_guard lock(mutex_);
    lines_.clear();
}

std::vector<std::string> TActivityLog::Lines() const {
    std::lock_guard lock(mutex_);
    return {lines_.begin(), lines_.end()};
}

std::vector<std::string> TActivityLog::LinesAfter(uint64_t after, uint64_t& last) const {
    std::lock_guard lock(mutex_);
    last = lastNumber_;
    const uint64_t firstKept = lastNumber_ - lines_.size() + 1;
    const uint64_t from = after + 1 > firstKept ? after + 1 : firstKept;
    if (from > lastNumber_)
        return {};
    return {lines_.begin() + static_cast<std::ptrdiff_t>(from - firstKept), lines_.end()};
}
