// Runs an action when a scope ends, also when an exception leaves it.
#pragma once

#include <utility>

namespace classlib {

template <class Action>
class AtScopeExit {
public:
    explicit AtScopeExit(Action action) : action_(std::move(action)) {}
    AtScopeExit(const AtScopeExit&) = delete;
    AtScopeExit& operator=(const AtScopeExit&) = delete;
    ~AtScopeExit() { action_(); }

private:
    Action action_;
};

} // namespace classlib
