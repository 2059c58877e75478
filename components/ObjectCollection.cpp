#include "components/ObjectCollection.h"

using classlib::Object;

TObjectCollection::TObjectCollection() : entries_(std::make_unique<classlib::StringList>()) {}

TObjectCollection::~TObjectCollection() = default;

void TObjectCollection::SetItem(int index, Object* object)
{
    entries_->PutObject(index, object);
}

Object* TObjectCollection::GetItem(int index)
{
    return entries_->Objects(index);
}

int TObjectCollection::Count()
{
    return entries_->Count();
}

void TObjectCollection::Clear()
{
    entries_->Clear();
}

int TObjectCollection::Add(Object* object)
{
    return entries_->AddObject(" ", object);
}

int TObjectCollection::AddNamed(const std::string& name, Object* object)
{
    return entries_->AddObject(name, object);
}

int TObjectCollection::IndexOf(Object* object)
{
    return entries_->IndexOfObject(object);
}

void TObjectCollection::Remove(Object* object)
{
    // Straight on the list, with the index an override of IndexOf gives.
    entries_->Delete(IndexOf(object));
}

void TObjectCollection::Delete(int index)
{
    entries_->Delete(index);
}
