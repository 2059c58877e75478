#include "classlib/StringList.h"

namespace classlib {

ListIndexError::ListIndexError(int index) : Exception("List index out of bounds (" + std::to_string(index) + ")") {}

const StringList::Entry& StringList::At(int index) const
{
    if (index < 0 || index >= Count()) throw ListIndexError(index);
    return entries_[static_cast<std::size_t>(index)];
}

int StringList::AddObject(const std::string& text, Object* object)
{
    entries_.push_back({text, object});
    return Count() - 1;
}

const std::string& StringList::Strings(int index) const
{
    return At(index).text;
}

Object* StringList::Objects(int index) const
{
    return At(index).object;
}

void StringList::PutObject(int index, Object* object)
{
    At(index);
    entries_[static_cast<std::size_t>(index)].object = object;
}

int StringList::IndexOfObject(const Object* object) const
{
    for (int i = 0; i < Count(); ++i)
        if (entries_[static_cast<std::size_t>(i)].object == object) return i;
    return -1;
}

void StringList::Delete(int index)
{
    At(index);
    entries_.erase(entries_.begin() + index);
}

} // namespace classlib
