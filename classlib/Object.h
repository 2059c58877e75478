// The base of the class library: objects, events and the library's exception.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>

namespace classlib {

class Object {
public:
    Object() = default;
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;
    virtual ~Object() = default;
};

// An event slot: a procedure bound to the object it is called on, called with
// the sender. An empty slot means no call.
using NotifyEvent = std::function<void(Object* sender)>;

// Binds a method of `target` as an event handler.
template <class T>
NotifyEvent Bind(T* target, void (T::*method)(Object*))
{
    return [target, method](Object* sender) { (target->*method)(sender); };
}

inline void Raise(const NotifyEvent& event, Object* sender)
{
    if (event) event(sender);
}

// What the library and the program throw; its message is what a report shows.
class Exception : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace classlib
