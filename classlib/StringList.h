// An unsorted list of texts, each with an attached object reference that the
// list never frees. Duplicates are allowed.
#pragma once

#include "classlib/Object.h"

#include <string>
#include <vector>

namespace classlib {

// Raised for an index outside 0 to Count() - 1: "List index out of bounds (5)".
class ListIndexError : public Exception {
public:
    explicit ListIndexError(int index);
};

class StringList {
public:
    int Count() const { return static_cast<int>(entries_.size()); }
    // Appends an entry; answers its index.
    int AddObject(const std::string& text, Object* object);
    const std::string& Strings(int index) const;
    Object* Objects(int index) const;
    void PutObject(int index, Object* object);
    // The index of the first entry referring to `object`, or -1.
    int IndexOfObject(const Object* object) const;
    // Later entries move down by one.
    void Delete(int index);
    void Clear() { entries_.clear(); }

private:
    struct Entry {
        std::string text;
        Object* object;
    };
    const Entry& At(int index) const;

    std::vector<Entry> entries_;
};

} // namespace classlib
