// An archive held in memory and a target that keeps what the walk asks of it,
// for the record-walk tests and its fuzzer: neither touches a file.
#pragma once

#include "payload/RecordWalk.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <limits>
#include <span>
#include <string>
#include <vector>

namespace payload_test {

// Hands out the bytes it holds, at most `maxChunk` per Read, as a pipe or a
// slow disk may. It never answers past its end, and it notes a walk that asks
// for more than is left, which a walk told the archive's true size must not.
class MemoryArchive : public payload::ArchiveSource {
public:
    explicit MemoryArchive(std::span<const unsigned char> bytes,
                           std::size_t maxChunk = std::numeric_limits<std::size_t>::max())
        : bytes_(bytes), maxChunk_(maxChunk)
    {
    }

    std::size_t Read(void* buffer, std::size_t size) override
    {
        const std::size_t left = bytes_.size() - position_;
        if (size > left) askedPastEnd_ = true;
        const std::size_t count = std::min({size, left, maxChunk_});
        if (count > 0) std::memcpy(buffer, bytes_.data() + position_, count);
        position_ += count;
        return count;
    }

    std::size_t Position() const { return position_; }
    bool AskedPastEnd() const { return askedPastEnd_; }

private:
    std::span<const unsigned char> bytes_;
    std::size_t maxChunk_;
    std::size_t position_ = 0;
    bool askedPastEnd_ = false;
};

// One file the walk created, with everything written into it.
struct WrittenFile {
    payload::Record record;
    std::string folder;  // what MakeFolder was given just before the Create
    std::string data;
    bool closed = false;
};

// Keeps the files and the calls; can be told to fail the n-th Create or the
// n-th Write (counted from 0 over the whole walk). A call out of order (Write
// or Close without an open file, Create while one is open, Create without a
// MakeFolder before it) is noted as a protocol error rather than thrown, so
// that the fuzzer can trap on it.
class RecordingTarget : public payload::RecordTarget {
public:
    static constexpr std::size_t Never = std::numeric_limits<std::size_t>::max();

    std::size_t failCreateAt = Never;
    std::size_t failWriteAt = Never;

    std::vector<WrittenFile> files;
    std::vector<std::string> calls;  // "folder X", "create X", "write N", "close"
    std::string protocolError;       // the first call out of order, empty when none

    void MakeFolder(const std::string& folder) override
    {
        calls.push_back("folder " + folder);
        pendingFolder_ = folder;
        hasPendingFolder_ = true;
    }

    bool Create(const payload::Record& record) override
    {
        calls.push_back("create " + record.path);
        if (open_) NoteProtocolError("Create while a file is open: " + record.path);
        if (!hasPendingFolder_) NoteProtocolError("Create without MakeFolder: " + record.path);
        hasPendingFolder_ = false;
        if (creates_++ == failCreateAt) return false;
        files.push_back({record, pendingFolder_, {}, false});
        open_ = true;
        return true;
    }

    bool Write(const void* data, std::size_t size) override
    {
        calls.push_back("write " + std::to_string(size));
        if (!open_) {
            NoteProtocolError("Write without an open file");
            return false;
        }
        if (writes_++ == failWriteAt) return false;
        files.back().data.append(static_cast<const char*>(data), size);
        return true;
    }

    void Close() override
    {
        calls.push_back("close");
        if (!open_) {
            NoteProtocolError("Close without an open file");
            return;
        }
        files.back().closed = true;
        open_ = false;
    }

    bool FileOpen() const { return open_; }

    std::size_t BytesWritten() const
    {
        std::size_t total = 0;
        for (const WrittenFile& file : files) total += file.data.size();
        return total;
    }

private:
    void NoteProtocolError(std::string what)
    {
        if (protocolError.empty()) protocolError = std::move(what);
    }

    std::string pendingFolder_;
    bool hasPendingFolder_ = false;
    bool open_ = false;
    std::size_t creates_ = 0;
    std::size_t writes_ = 0;
};

} // namespace payload_test
