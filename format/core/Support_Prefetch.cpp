#include "format/core/Support_Prefetch.h"

#include "format/core/Support_Project.h"
#include "format/core/Support_Zlib.h"

#include <algorithm>

namespace transvane {

CBlockPrefetch::CBlockPrefetch(CStream& stream)
    : FStream(stream), FPrevious(stream.Prefetch()), FWorkerCount(stream.Core().HelperThreads.value_or(WorkerCount())) {
    FStream.SetPrefetch(this);
}

CBlockPrefetch::~CBlockPrefetch() {
    {
        std::lock_guard lock(FMutex);
        FStopping = true;
    }
    FChanged.notify_all();
    for (std::thread& worker : FWorkers)
        worker.join();
    FStream.SetPrefetch(FPrevious);
}

void CBlockPrefetch::Add(std::span<const std::uint8_t> source) {
    if (FWorkerCount == 0 || source.size() > MaxPreparedBlock)
        return;
    {
        std::lock_guard lock(FMutex);
        FJobs.emplace_back();
        FJobs.back().Source = source;
    }
    FListedBytes += source.size();
    if (FWorkers.empty() && FListedBytes >= MinListedBytes)
        for (unsigned i = 0; i < FWorkerCount; ++i)
            FWorkers.emplace_back([this] { Work(); });
    FChanged.notify_one();
}

std::optional<std::size_t> CBlockPrefetch::NextStartable() const {
    // Jobs start in order, so the first waiting one is the only candidate.
    // The job the writer needs next may always start; later ones only
    // within the limits.
    for (std::size_t i = FTaken; i < FJobs.size() && i < FTaken + MaxAheadJobs; ++i) {
        const CJob& job = FJobs[i];
        if (job.State != EState::Waiting)
            continue;
        if (i == FTaken || FAheadBytes + job.Source.size() <= MaxAheadBytes)
            return i;
        return std::nullopt;
    }
    return std::nullopt;
}

void CBlockPrefetch::Run(std::size_t index) {
    CJob* job = nullptr;
    {
        std::lock_guard lock(FMutex);
        job = &FJobs[index];  // a deque keeps its elements in place as it grows
        if (!FSpares.empty()) {
            job->Result = std::move(FSpares.back());
            FSpares.pop_back();
            FSpareBytes -= job->Result.capacity();
        }
    }
    // Only the thread that marked the job Running touches its result.
    try {
        // The compressor sizes the result itself: a block stored as it is
        // needs more than a guess at half its size would give.
        CompressBlock(job->Source, job->Result);
    } catch (...) {
        job->Error = std::current_exception();
    }
    Finish(index);
}

void CBlockPrefetch::Finish(std::size_t index) {
    {
        std::lock_guard lock(FMutex);
        CJob& job = FJobs[index];
        job.State = EState::Done;
        if (!job.Wanted) {
            job.State = EState::Dropped;
            job.Result = CBlock();
            FAheadBytes -= job.Source.size();
        }
    }
    FChanged.notify_all();
}

void CBlockPrefetch::Work() {
    for (;;) {
        std::size_t index = 0;
        {
            std::unique_lock lock(FMutex);
            std::optional<std::size_t> next;
            FChanged.wait(lock, [&] { return FStopping || (next = NextStartable()).has_value(); });
            if (FStopping)
                return;
            index = *next;
            FJobs[index].State = EState::Running;
            FAheadBytes += FJobs[index].Source.size();
        }
        Run(index);
    }
}

std::optional<CBlock> CBlockPrefetch::Take(std::span<const std::uint8_t> source) {
    // Without workers the writer compresses straight into its stream.
    if (FWorkers.empty())
        return std::nullopt;
    std::unique_lock lock(FMutex);
    std::size_t index = FTaken;
    while (index < FJobs.size() &&
           (FJobs[index].Source.data() != source.data() || FJobs[index].Source.size() != source.size()))
        ++index;
    if (index == FJobs.size())
        return std::nullopt;
    // Listed blocks the writer passed by are not wanted any more.
    for (std::size_t i = FTaken; i < index; ++i) {
        CJob& passed = FJobs[i];
        passed.Wanted = false;
        if (passed.State == EState::Waiting) {
            passed.State = EState::Dropped;
        } else if (passed.State == EState::Done) {
            passed.State = EState::Dropped;
            passed.Result = CBlock();
            FAheadBytes -= passed.Source.size();
        }
    }
    FTaken = index;

    CJob& job = FJobs[index];
    while (job.State != EState::Done) {
        // Rather than wait, the writer compresses what comes next itself:
        // the job it needs when nobody has started it, else a later one.
        if (const std::optional<std::size_t> next = NextStartable()) {
            FJobs[*next].State = EState::Running;
            FAheadBytes += FJobs[*next].Source.size();
            lock.unlock();
            Run(*next);
            lock.lock();
        } else {
            FChanged.wait(lock);
        }
    }
    FTaken = index + 1;
    FAheadBytes -= job.Source.size();
    job.State = EState::Dropped;
    CBlock result = std::move(job.Result);
    std::exception_ptr error = job.Error;
    job.Result = CBlock();
    lock.unlock();
    FChanged.notify_all();
    if (error)
        std::rethrow_exception(error);
    return result;
}

void CBlockPrefetch::GiveBack(CBlock buffer) {
    buffer.clear();
    std::lock_guard lock(FMutex);
    if (buffer.capacity() == 0 || FSpareBytes + buffer.capacity() > MaxSpareBytes)
        return;
    FSpareBytes += buffer.capacity();
    FSpares.push_back(std::move(buffer));
}

}  // namespace transvane
