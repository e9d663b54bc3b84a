#include "format/core/Support_PendingFiles.h"

#include <cerrno>
#include <cstring>
#include <new>

#include "format/core/Support_Platform.h"

namespace transvane {

static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<void*>::is_always_lock_free,
              "a signal handler may only touch lock-free atomics");

CPendingFiles::CPendingFiles() = default;

// The chain is cut off before it is freed, so that a handler running now
// sees the first chunk alone; it is freed one chunk at a time, so that a
// long chain does not recurse as deep as it is long.
CPendingFiles::~CPendingFiles() {
    FFirst.Next.store(nullptr);
    std::unique_ptr<CChunk> rest = std::move(FFirst.Owned);
    while (rest)
        rest = std::move(rest->Owned);
}

CPendingFiles::CEntry* CPendingFiles::Arm(const std::string& name) { return Claim(name, false); }

CPendingFiles::CEntry* CPendingFiles::ArmFolder(const std::string& name) { return Claim(name, true); }

CPendingFiles::CEntry* CPendingFiles::Claim(const std::string& name, bool folder) {
    if (name.size() >= NameSize) {
        errno = ENAMETOOLONG;
        return nullptr;
    }
    CChunk* chunk = &FFirst;
    for (;;) {
        for (CEntry& entry : chunk->Entries) {
            bool expected = false;
            if (!entry.Claimed.compare_exchange_strong(expected, true))
                continue;
            std::memcpy(entry.Name, name.c_str(), name.size() + 1);
            entry.Folder.store(folder);
            entry.Armed.store(true);
            return &entry;
        }
        CChunk* next = chunk->Next.load();
        if (next == nullptr) {
            // Every entry is taken: one more chunk, linked at the end.  Two
            // saves may get here at once; the one that links first wins and
            // the other scans on through the winner's chunk.
            std::unique_ptr<CChunk> fresh;
            try {
                fresh = std::make_unique<CChunk>();
            } catch (const std::bad_alloc&) {
                errno = ENOMEM;
                return nullptr;
            }
            if (chunk->Next.compare_exchange_strong(next, fresh.get())) {
                next = fresh.get();
                chunk->Owned = std::move(fresh);
            }
        }
        chunk = next;
    }
}

void CPendingFiles::Disarm(CEntry* entry) {
    if (entry == nullptr)
        return;
    entry->Armed.store(false);
    entry->Claimed.store(false);
}

void CPendingFiles::RemoveAll() const noexcept {
    for (const CChunk* chunk = &FFirst; chunk != nullptr; chunk = chunk->Next.load())
        for (const CEntry& entry : chunk->Entries)
            if (entry.Armed.load() && !entry.Folder.load())
                RemoveFile(entry.Name);
    // The folders in any order: a pass removes those left empty by the
    // one before, until a pass removes nothing.  The system refuses to
    // remove a folder that holds anything, or anything but a folder.
    for (bool removed = true; removed;) {
        removed = false;
        for (const CChunk* chunk = &FFirst; chunk != nullptr; chunk = chunk->Next.load())
            for (const CEntry& entry : chunk->Entries)
                if (entry.Armed.load() && entry.Folder.load() && RemoveFolder(entry.Name) == 0)
                    removed = true;
    }
}

// Either BeginStep sees the stop and backs out, or Stop sees the step and
// waits for it: both check the other's flag after setting their own.
bool CPendingFiles::BeginStep() noexcept {
    FSteps.fetch_add(1);
    if (!FStopped.load())
        return true;
    FSteps.fetch_sub(1);
    return false;
}

void CPendingFiles::EndStep() noexcept { FSteps.fetch_sub(1); }

void CPendingFiles::Stop() noexcept {
    FStopped.store(true);
    while (FSteps.load() > 0)
        PauseBriefly();
}

void CPendingFiles::Settle() noexcept {
    for (int placed = FPlaced.load(); placed > 0 && !FPlaced.compare_exchange_weak(placed, placed - 1);) {
    }
}

std::size_t CPendingFiles::ArmedCount() const {
    std::size_t count = 0;
    for (const CChunk* chunk = &FFirst; chunk != nullptr; chunk = chunk->Next.load())
        for (const CEntry& entry : chunk->Entries)
            count += entry.Armed.load() ? 1 : 0;
    return count;
}

}  // namespace transvane
