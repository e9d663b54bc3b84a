#include "format/core/Support_MappedFile.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

#include "format/core/Support_Errors.h"
#include "format/core/posix/Support_MappedFaults.h"

namespace transvane {

namespace {

// What the SIGBUS handler knows of a mapping.  The handler may run at any
// moment in any thread, so it reads nothing but these lock-free atomics.
struct CSlot {
    std::atomic<bool> Used{false};
    std::atomic<std::uintptr_t> Begin{0};  // 0 while the slot maps nothing
    std::atomic<std::uintptr_t> End{0};
    std::atomic<bool> Failed{false};
};
static_assert(std::atomic<std::uintptr_t>::is_always_lock_free && std::atomic<bool>::is_always_lock_free,
              "the SIGBUS handler may only touch lock-free atomics");

std::array<CSlot, CMappedFile::MaxMappings> Slots;

std::uintptr_t PageSize() {
    static const auto size = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    return size;
}

// A file is mapped only where the program has a SIGBUS handler that can
// hand the fault to RecoverMappedFileFault: only one that takes the fault's
// address (SA_SIGINFO) can.  This only looks; it changes nothing.
bool ProgramRecoversMappedFaults() {
    struct sigaction current {};
    return ::sigaction(SIGBUS, nullptr, &current) == 0 && (current.sa_flags & SA_SIGINFO) != 0 &&
           current.sa_sigaction != nullptr;
}

int ClaimSlot() {
    for (std::size_t i = 0; i < Slots.size(); ++i) {
        bool expected = false;
        if (Slots[i].Used.compare_exchange_strong(expected, true))
            return static_cast<int>(i);
    }
    return -1;
}

}  // namespace

bool RecoverMappedFileFault(const siginfo_t* info) noexcept {
    // si_code > 0: raised by a fault at si_addr, not sent by a program.
    if (info == nullptr || info->si_code <= 0)
        return false;
    const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
    for (CSlot& slot : Slots) {
        const std::uintptr_t begin = slot.Begin.load();
        const std::uintptr_t end = slot.End.load();
        if (begin == 0 || address < begin || address >= end)
            continue;
        // The file's pages are lost: zero pages take their place, and the
        // faulting read is repeated on them when the handler returns.
        void* zeros = ::mmap(reinterpret_cast<void*>(begin), end - begin, PROT_READ,
                             MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
        if (zeros == MAP_FAILED)
            return false;
        slot.Failed.store(true);
        return true;
    }
    return false;
}

CMappedFile::CMappedFile(int fd, std::size_t size, const std::string& fileName) {
    if (!ProgramRecoversMappedFaults())
        throw EFileError("Cannot map file \"" + fileName + "\": nothing would recover a lost page");
    const int slot = ClaimSlot();
    if (slot < 0)
        throw EFileError("Cannot map file \"" + fileName + "\": too many files mapped");
    // MAP_POPULATE maps every page at once instead of one fault per page.
    void* data = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    if (data == MAP_FAILED) {
        const int error = errno;
        Slots[static_cast<std::size_t>(slot)].Used.store(false);
        throw EFileError("Cannot map file \"" + fileName + "\": " + std::strerror(error));
    }
    FData = static_cast<const std::uint8_t*>(data);
    FSize = size;
    FSlot = slot;
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t pages = (size + PageSize() - 1) / PageSize();
    CSlot& entry = Slots[static_cast<std::size_t>(slot)];
    entry.Failed.store(false);
    entry.End.store(begin + pages * PageSize());
    entry.Begin.store(begin);
}

CMappedFile::~CMappedFile() {
    CSlot& entry = Slots[static_cast<std::size_t>(FSlot)];
    entry.Begin.store(0);
    entry.End.store(0);
    ::munmap(const_cast<std::uint8_t*>(FData), FSize);
    entry.Failed.store(false);
    entry.Used.store(false);
}

bool CMappedFile::Failed() const { return Slots[static_cast<std::size_t>(FSlot)].Failed.load(); }

}  // namespace transvane
