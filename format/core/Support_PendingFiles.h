// The temporary files that saves are writing at this moment, noted where a
// signal handler can find them: a program that ends on SIGINT or SIGTERM
// removes them first, so that an interrupted save leaves nothing behind.
//
// The library installs no handler and keeps no such list of its own.  A
// program that wants interrupted saves cleaned up owns one CPendingFiles
// (a static in its main, so that its handler reaches it), hands it to each
// save (CConversionLimits::PendingFiles, or CSafeSave directly), and calls
// RemoveAll from its handler.
//
// The list grows with the saves in flight: entries live in chunks of a
// fixed size, chained by atomic pointers.  A chunk is allocated by the save
// that needs it, never by the handler, and stays until the list goes, so
// the handler can walk the chain at any moment in any thread.  An entry is
// armed only once its name is complete and disarmed before it is reused.
//
// A program may note the folders it made for its files as well: RemoveAll
// removes those that are empty once the files are gone, and never one that
// holds anything.
//
// Some steps must not be split by an interruption: a file created and
// noted, the renames that move the backups along and put a new file in
// place.  They run between BeginStep and EndStep; the handler calls Stop
// before RemoveAll, which lets the steps under way end (on other threads:
// the thread that runs a step holds the interruptions back meanwhile) and
// refuses every step after, so that nothing is created or moved once the
// handler has cleaned up.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <memory>
#include <string>

namespace transvane {

class CPendingFiles {
public:
    // The longest path an entry holds, its terminating zero included: the
    // longest a system call takes.
    static constexpr std::size_t NameSize = 4096;

    struct CEntry {
        std::atomic<bool> Claimed{false};
        std::atomic<bool> Armed{false};
        std::atomic<bool> Folder{false};
        char Name[NameSize];
    };

    CPendingFiles();
    ~CPendingFiles();
    CPendingFiles(const CPendingFiles&) = delete;
    CPendingFiles& operator=(const CPendingFiles&) = delete;

    // Notes name, which is about to be created; nullptr with errno set when
    // it cannot be noted (ENAMETOOLONG, ENOMEM).  Call it with the
    // interruptions held (CInterruptionsHeld), so that a handler on this
    // thread never sees a file created and not noted.
    CEntry* Arm(const std::string& name);
    // Notes a folder that was just made, as Arm does a file.
    CEntry* ArmFolder(const std::string& name);
    // Forgets an entry of Arm (nullptr: nothing); its file is no longer
    // the handler's to remove.
    static void Disarm(CEntry* entry);

    // Removes every file noted and not disarmed, then every such folder
    // that is empty, the deepest first.  Async-signal-safe.
    void RemoveAll() const noexcept;

    // Begins a step that an interruption must not split; false, with
    // nothing begun, once Stop was called.  Call it with the interruptions
    // held (CUnsplitStep does both).
    bool BeginStep() noexcept;
    void EndStep() noexcept;
    // For the handler, before RemoveAll: refuses every step from now on and
    // waits until those under way have ended.  Async-signal-safe.
    void Stop() noexcept;
    bool Stopped() const noexcept { return FStopped.load(); }
    // Saves whose new file has taken its name (noted by the save, within
    // its unsplit step) and that their caller has not shown yet (Settle):
    // a handler that reports the files done waits for these to be shown.
    void NotePlaced() noexcept { FPlaced.fetch_add(1); }
    void Settle() noexcept;
    int Placed() const noexcept { return FPlaced.load(); }

    // The entries in use now, for tests.
    std::size_t ArmedCount() const;

private:
    CEntry* Claim(const std::string& name, bool folder);

    static constexpr std::size_t ChunkEntries = 16;
    struct CChunk {
        std::array<CEntry, ChunkEntries> Entries;
        std::atomic<CChunk*> Next{nullptr};
        std::unique_ptr<CChunk> Owned;  // the same chunk as Next, once linked
    };

    CChunk FFirst;
    std::atomic<int> FSteps{0};
    std::atomic<bool> FStopped{false};
    std::atomic<int> FPlaced{0};
};

}  // namespace transvane
