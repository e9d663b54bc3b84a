// A whole file mapped into memory for reading.
//
// Reading a project into memory of its own costs a fresh page of memory for
// every page of the file, and on many machines (virtual ones most of all)
// fresh memory is dear: for a file of a hundred megabytes, handing out and
// clearing the pages takes longer than copying the bytes.  A mapping reads
// the file's pages where the system already keeps them.
//
// A mapping has one hazard that a copy has not: when the file shrinks while
// it is mapped (another program truncates it) or its device fails, touching
// the lost pages raises SIGBUS, which would end the program.  Signals are
// the program's business, so the library installs no handler: a program
// that wants its files mapped installs a SIGBUS handler with SA_SIGINFO in
// its main and calls RecoverMappedFileFault there first.  A fault inside a
// mapping then replaces the whole mapping by zero pages, marks the mapping
// failed and lets the program go on; the reader finishes on zeros and its
// caller, seeing Failed(), throws the result away.  Any other SIGBUS is the
// handler's to deal with (ending the program, as the default action does).
// Where no such handler is installed, no file is mapped: each is read
// into memory instead.  RecoverMappedFileFault is declared with the POSIX
// platform (format/core/posix/Support_MappedFaults.h): elsewhere (Windows,
// the browser) no file is mapped at all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace transvane {

class CMappedFile {
public:
    // Maps the whole of the open file fd, size bytes long (size > 0), for
    // reading.  EFileError when the system cannot map it (some file systems
    // cannot) or the program recovers no SIGBUS; the caller then reads the
    // file instead.
    CMappedFile(int fd, std::size_t size, const std::string& fileName);
    ~CMappedFile();
    CMappedFile(const CMappedFile&) = delete;
    CMappedFile& operator=(const CMappedFile&) = delete;

    std::span<const std::uint8_t> Bytes() const { return {FData, FSize}; }
    // True once reading the mapping has failed; its bytes then read as 0.
    bool Failed() const;

    // The most mappings that can be open at once.  A further one fails to
    // map (EFileError) and its file is read instead.
    static constexpr int MaxMappings = 16;

private:
    const std::uint8_t* FData = nullptr;
    std::size_t FSize = 0;
    int FSlot = -1;
};

}  // namespace transvane
