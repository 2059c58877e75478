// The object collection and the units the setup program shares with the servers.
#include "components/ConfigDir.h"
#include "components/ObjectCollection.h"
#include "components/SharedRecords.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <future>
#include <thread>

using classlib::ListIndexError;
using classlib::Object;

namespace {

// An object that notes its own end.
struct Tracked : Object {
    explicit Tracked(bool* destroyed = nullptr) : destroyed_(destroyed) {}
    ~Tracked() override
    {
        if (destroyed_) *destroyed_ = true;
    }
    bool* destroyed_;
};

std::string IndexErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const ListIndexError& e) {
        return e.what();
    }
    return "no index error";
}

} // namespace

TEST(ObjectCollection, AddNamesTheEntryWithOneBlankAndGivesTheObjectBack)
{
    TObjectCollection collection;
    Tracked a, b;
    EXPECT_EQ(collection.Add(&a), 0);
    EXPECT_EQ(collection.AddNamed("second", &b), 1);
    EXPECT_EQ(collection.GetItem(0), &a);
    EXPECT_EQ(collection.GetItem(1), &b);
    EXPECT_EQ(collection.Entries().Strings(0), " ");
    EXPECT_EQ(collection.Entries().Strings(1), "second");

    collection.SetItem(1, &a);
    EXPECT_EQ(collection.GetItem(1), &a);
    EXPECT_EQ(collection.Entries().Strings(1), "second") << "SetItem changed the text";
}

TEST(ObjectCollection, NeverFreesWhatItRefersTo)
{
    bool destroyed = false;
    Tracked object(&destroyed);
    {
        TObjectCollection collection;
        collection.Add(&object);
        collection.Add(&object);
        collection.Delete(0);
        collection.Clear();
        EXPECT_EQ(collection.Count(), 0);
        collection.Add(&object);
    }
    EXPECT_FALSE(destroyed);
}

TEST(ObjectCollection, TheSameObjectTwiceIsFoundAndRemovedFirst)
{
    TObjectCollection collection;
    Tracked a, b;
    collection.AddNamed("first a", &a);
    collection.AddNamed("b", &b);
    collection.AddNamed("second a", &a);
    EXPECT_EQ(collection.IndexOf(&a), 0);
    collection.Remove(&a);
    ASSERT_EQ(collection.Count(), 2);
    EXPECT_EQ(collection.Entries().Strings(0), "b");
    EXPECT_EQ(collection.Entries().Strings(1), "second a");
    EXPECT_EQ(collection.IndexOf(&a), 1);
    Tracked absent;
    EXPECT_EQ(collection.IndexOf(&absent), -1);
}

TEST(ObjectCollection, RemoveAsksIndexOfThroughTheVirtualTable)
{
    // Finds the last entry instead of the first.
    struct LastFirst : TObjectCollection {
        int IndexOf(Object* object) override
        {
            for (int i = Count() - 1; i >= 0; --i)
                if (GetItem(i) == object) return i;
            return -1;
        }
    };
    LastFirst collection;
    Tracked a;
    collection.AddNamed("first", &a);
    collection.AddNamed("last", &a);
    collection.Remove(&a);
    ASSERT_EQ(collection.Count(), 1);
    EXPECT_EQ(collection.Entries().Strings(0), "first");
}

TEST(ObjectCollection, AnIndexOutsideTheListRaisesTheIndexError)
{
    TObjectCollection collection;
    Tracked a, absent;
    collection.Add(&a);
    collection.Add(&a);
    EXPECT_EQ(IndexErrorOf([&] { collection.GetItem(-1); }), "List index out of bounds (-1)");
    EXPECT_EQ(IndexErrorOf([&] { collection.GetItem(2); }), "List index out of bounds (2)");
    EXPECT_EQ(IndexErrorOf([&] { collection.SetItem(2, &a); }), "List index out of bounds (2)");
    EXPECT_EQ(IndexErrorOf([&] { collection.Delete(-1); }), "List index out of bounds (-1)");
    EXPECT_EQ(IndexErrorOf([&] { collection.Remove(&absent); }), "List index out of bounds (-1)");
    EXPECT_EQ(collection.Count(), 2);
}

namespace {

// A record with a chain of `blocks` raw blocks, as the servers make them.
TSharedRecord* RecordWithChain(int blocks)
{
    auto* record = new TSharedRecord;
    void** link = &record->FirstBlock;
    for (int i = 0; i < blocks; ++i) {
        void* block = std::malloc(64);
        *static_cast<void**>(block) = nullptr;
        *link = block;
        link = static_cast<void**>(block);
    }
    return record;
}

bool LockIsFree()
{
    // Tried from another thread: the lock is recursive, so this thread would always get it.
    return std::async(std::launch::async, [] {
               if (!SharedRecordsLock->try_lock()) return false;
               SharedRecordsLock->unlock();
               return true;
           }).get();
}

} // namespace

// The sanitizers of the native build report any record or block left behind.
TEST(SharedRecords, ClearingFreesEveryRecordAndItsChainAndLeavesTheLockFree)
{
    StartSharedRecordsUnit();
    ClearSharedRecords();
    EXPECT_EQ(SharedRecords->Count(), 0);
    EXPECT_TRUE(LockIsFree());

    SharedRecords->Add(RecordWithChain(0));
    SharedRecords->AddNamed("long", RecordWithChain(1000));
    SharedRecords->Add(RecordWithChain(1));
    ClearSharedRecords();
    EXPECT_EQ(SharedRecords->Count(), 0);
    EXPECT_TRUE(LockIsFree());

    SharedRecords->Add(RecordWithChain(3));
    FinishSharedRecordsUnit();
    EXPECT_EQ(SharedRecords, nullptr);
    EXPECT_EQ(SharedRecordsLock, nullptr);
}

TEST(ConfigDir, IsTheProgramsFolderWithConfigCutToAShortPath)
{
    StartConfigDirUnit("C:\\Tolva\\setup.exe");
    EXPECT_EQ(ConfigDir, "C:\\Tolva\\config\\");
    const std::string deep = "C:\\" + std::string(248, 'd') + "\\setup.exe";
    StartConfigDirUnit(deep);
    EXPECT_EQ(ConfigDir.size(), 255u);
    EXPECT_EQ(ConfigDir, ("C:\\" + std::string(248, 'd') + "\\config\\").substr(0, 255));
}
