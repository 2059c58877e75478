#include "components/SharedRecords.h"

#include <cstdlib>

std::recursive_mutex* SharedRecordsLock = nullptr;
TObjectCollection* SharedRecords = nullptr;

namespace {

void FreeBlockChain(void* block)
{
    while (block) {
        void* next = *static_cast<void**>(block);
        std::free(block);
        block = next;
    }
}

} // namespace

void ClearSharedRecords()
{
    if (SharedRecordsLock) SharedRecordsLock->lock();
    try {
        for (int i = SharedRecords ? SharedRecords->Count() - 1 : -1; i >= 0; --i) {
            auto* record = static_cast<TSharedRecord*>(SharedRecords->GetItem(i));
            if (record) FreeBlockChain(record->FirstBlock);
            delete record;
            SharedRecords->Delete(i);
        }
    } catch (...) {
        // Nothing is reported; what was not reached stays in the list.
    }
    if (SharedRecordsLock) SharedRecordsLock->unlock();
}

void StartSharedRecordsUnit()
{
    SharedRecordsLock = new std::recursive_mutex;
    SharedRecords = new TObjectCollection;
}

void FinishSharedRecordsUnit()
{
    if (SharedRecordsLock) {
        delete SharedRecordsLock;
        SharedRecordsLock = nullptr;
    }
    if (SharedRecords) {
        ClearSharedRecords();
        delete SharedRecords;
        SharedRecords = nullptr;
    }
}
