#pragma once

#include <utility>

// Runs an action when the scope ends, however it ends.
template <typename TAction>
class TScopeGuard {
public:
    explicit TScopeGuard(TAction action) : action_(std::move(action)) {}
    TScopeGuard(const TScopeGuard&) = delete;
    TScopeGuard& operator=(const TScopeGuard&) = delete;
    ~TScopeGuard() { action_(); }

private:
    TAction action_;
};
