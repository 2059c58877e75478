// The server programs' process-wide list of records, shared with the setup
// program, which only starts and finishes it.
#pragma once

#include "classlib/Object.h"
#include "components/ObjectCollection.h"

#include <mutex>

// A record of the servers: it owns a chain of raw memory blocks (allocated
// with std::malloc), each beginning with the address of the next.
class TSharedRecord : public classlib::Object {
public:
    void* FirstBlock = nullptr;
};

extern std::recursive_mutex* SharedRecordsLock;
extern TObjectCollection* SharedRecords;

// Frees every record, its chain of blocks and its entry, from the last entry
// to the first, under the lock if there is one. Reports nothing: an exception
// ends the walk and leaves the entries not yet handled.
void ClearSharedRecords();

// At program start: the lock, then the list.
void StartSharedRecordsUnit();
// At program exit: the lock goes first, then the records are cleared without
// it and the list is freed.
void FinishSharedRecordsUnit();
