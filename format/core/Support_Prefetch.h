// Compressing the blocks of a section on every core.
//
// Compression dominates the time of a save, and the blocks of a section
// (subimages, sounds, data files) are independent of one another.  A
// section writer that is about to write such blocks lists them first, in
// the order it will write them, on a CBlockPrefetch installed on its
// stream; worker threads then compress them ahead of the writer.  The
// writer itself stays as it is: each WriteCompressedBlock of a listed block
// appends the bytes prepared for it (waiting for them, or compressing
// another listed block while it waits).  The prepared bytes are exactly
// those the writer would have produced itself, and everything is appended
// in the writer's own order, so the file is the same byte for byte.
//
// Limits that keep the memory bounded:
//  - only blocks up to MaxPreparedBlock are listed; a larger one is
//    compressed by the writer straight into the stream, as without
//    prefetching, so its compressed bytes never exist twice;
//  - workers run at most MaxAheadBytes of source (and MaxAheadJobs blocks)
//    ahead of the writer.
// Workers start only once the listed blocks hold enough source to pay for
// a thread; below that, and with a single core or no helpers allowed by
// the stream's core part (CCoreState), listing does nothing and the writer compresses
// every block itself.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <span>
#include <thread>
#include <vector>

#include "format/core/Support_Stream.h"

namespace transvane {

// The cores this process may run on, at least 1; 1 where there are no
// threads.
unsigned CoresAvailable();

class CBlockPrefetch final : public CPreparedBlocks {
public:
    static constexpr std::size_t MaxPreparedBlock = std::size_t{16} << 20;
    static constexpr std::size_t MaxAheadBytes = std::size_t{32} << 20;
    static constexpr std::size_t MaxAheadJobs = 256;
    // Starting, waking and joining a thread costs as much as compressing a
    // few KiB; a section of less than this is done sooner by the writer.
    static constexpr std::size_t MinListedBytes = std::size_t{256} << 10;

    // Installs itself on the stream for its lifetime.  The sources listed
    // must stay unchanged until it is gone.
    explicit CBlockPrefetch(CStream& stream);
    // Stops the workers (a block being compressed is finished first) and
    // uninstalls itself.
    ~CBlockPrefetch();
    CBlockPrefetch(const CBlockPrefetch&) = delete;
    CBlockPrefetch& operator=(const CBlockPrefetch&) = delete;

    // Lists the next block the writer will write with WriteCompressedBlock.
    void Add(std::span<const std::uint8_t> source);

    // For CStream::WriteCompressedBlock: the compressed bytes of source when
    // it is a listed block, nullopt otherwise.  Listed blocks before it that
    // the writer did not write are dropped.  A failure of the compression
    // is raised here, in the writer's thread.
    std::optional<CBlock> Take(std::span<const std::uint8_t> source) override;
    // Keeps the buffer for a block still to be compressed, as long as the
    // buffers kept hold at most MaxSpareBytes.
    void GiveBack(CBlock buffer) override;
    static constexpr std::size_t MaxSpareBytes = std::size_t{16} << 20;

    // How many threads compress besides the writer by default: one less
    // than the cores this process may run on.
    static unsigned WorkerCount() { return CoresAvailable() - 1; }

private:
    enum class EState { Waiting, Running, Done, Dropped };
    struct CJob {
        std::span<const std::uint8_t> Source;
        EState State = EState::Waiting;
        bool Wanted = true;  // false once the writer has passed it by
        CBlock Result;
        std::exception_ptr Error;
    };

    // With the lock held: the index of a waiting job that may start now.
    std::optional<std::size_t> NextStartable() const;
    // Compresses job index; called without the lock, the job marked Running.
    void Run(std::size_t index);
    void Finish(std::size_t index);
    void Work();

    CStream& FStream;
    CPreparedBlocks* FPrevious;
    const unsigned FWorkerCount;
    std::mutex FMutex;
    std::condition_variable FChanged;
    std::deque<CJob> FJobs;
    std::size_t FTaken = 0;        // jobs before it are taken or passed by
    std::size_t FAheadBytes = 0;   // source bytes of jobs running or done and not taken
    std::size_t FListedBytes = 0;  // source bytes of every job listed
    bool FStopping = false;
    std::vector<std::thread> FWorkers;  // joined by the destructor
    // Buffers of blocks already written, emptied, for the next ones: a large
    // block's buffer is fresh memory each time otherwise, every page of it
    // faulted in again.
    std::vector<CBlock> FSpares;
    std::size_t FSpareBytes = 0;
};

}  // namespace transvane
