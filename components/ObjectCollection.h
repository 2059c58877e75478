// An ordered collection of object references, each entry optionally named.
// The collection never frees the objects it refers to.
#pragma once

#include "classlib/Object.h"
#include "classlib/StringList.h"

#include <memory>
#include <string>

class TObjectCollection : public classlib::Object {
public:
    TObjectCollection();
    ~TObjectCollection() override;

    // An index outside 0 to Count() - 1 raises classlib::ListIndexError.
    virtual void SetItem(int index, classlib::Object* object);  // the entry's text stays
    virtual classlib::Object* GetItem(int index);
    virtual int Count();
    virtual void Clear();
    // Appends an entry named " "; answers its index.
    virtual int Add(classlib::Object* object);
    virtual int AddNamed(const std::string& name, classlib::Object* object);
    // The index of the first entry referring to `object`, or -1.
    virtual int IndexOf(classlib::Object* object);
    // Deletes the entry that IndexOf finds; an object not held raises the index error for -1.
    virtual void Remove(classlib::Object* object);
    virtual void Delete(int index);

    const classlib::StringList& Entries() const { return *entries_; }

private:
    std::unique_ptr<classlib::StringList> entries_;
};
