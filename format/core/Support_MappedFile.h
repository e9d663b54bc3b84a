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
// the lost pages raises SIGBUS, which would end the program.  So every
// mapping is registered with a SIGBUS handler of this unit: a fault inside
// a registered mapping replaces the whole mapping by zero pages, marks the
// mapping failed and lets the program go on; the reader finishes on zeros
// and its caller, seeing Failed(), throws the result away.  A SIGBUS outside
// every mapping is handed to whatever handled it before (by default it ends
// the program, as always).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

class CMappedFile {
public:
    // Maps the whole of the open file fd, size bytes long (size > 0), for
    // reading.  EFileError when the system cannot map it (some file systems
    // cannot); the caller then reads the file instead.
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
