// The project stream: every byte of a project file passes through CStream.
//
// A project file is a flat sequence of typed primitives with no tags, names,
// alignment or section lengths, so a reader must perform exactly the sequence
// of primitives its writer performed.  All numbers are little-endian.
//
//   Int            4 bytes, signed two's complement
//   Real           8 bytes, IEEE 754 double
//   String         int32 count n, then n 8-bit characters (n <= 0: empty)
//   Bool           int32, written 1 / 0, read as true when > 0
//   Block          int32 count n, then n raw bytes
//   CompressedBlock int32 count n, then n bytes holding one zlib stream
//
// Every read checks what remains before it allocates, so a hostile count
// fails at once with EReadError instead of exhausting the machine.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "format/core/Support_Bytes.h"
#include "format/core/Support_Errors.h"
#include "format/core/Support_MappedFile.h"
#include "format/core/Support_Project.h"
#include "format/core/Support_Zlib.h"

namespace transvane {

// The bytes of a block read from or written to the stream.  A block is owned
// by whoever holds the vector; it has no position of its own: a reader that
// needs one wraps it in a CMemoryStream.
using CBlock = std::vector<std::uint8_t>;

// Something that compresses blocks ahead of the writer (the block
// prefetch of Support_Prefetch.h).  WriteCompressedBlock asks it for the
// bytes it has prepared, and gives their buffer back.
class CPreparedBlocks {
public:
    // The compressed bytes of source when they were prepared for it,
    // nullopt otherwise; a failure of their compression is raised here.
    virtual std::optional<CBlock> Take(std::span<const std::uint8_t> source) = 0;
    // Takes back the buffer Take gave once its bytes have been written, so
    // that the next block is prepared in memory already in use.
    virtual void GiveBack(CBlock buffer) = 0;

protected:
    ~CPreparedBlocks() = default;
};

// A growable byte buffer with a cursor: the plain memory stream.  A stream
// loaded from a file reads the file's pages where the system keeps them (a
// CMappedFile) when it can; its first write copies them into its buffer.
class CMemoryStream {
public:
    CMemoryStream() = default;
    explicit CMemoryStream(CBlock bytes) : FBuffer(std::move(bytes)), FEnd(FBuffer.size()) {}
    virtual ~CMemoryStream() = default;

    CMemoryStream(const CMemoryStream&) = delete;
    CMemoryStream& operator=(const CMemoryStream&) = delete;
    // A stream moved from is left empty.
    CMemoryStream(CMemoryStream&& other) noexcept { *this = std::move(other); }
    CMemoryStream& operator=(CMemoryStream&& other) noexcept;

    // Size and position count from the start of the stream, including what
    // has already gone to the file of a spilling stream (see SpillTo).
    std::size_t Size() const { return FSpilled + Held(); }
    std::size_t Position() const { return FSpilled + FPosition; }
    void SetPosition(std::size_t position);
    std::size_t Remaining() const { return Held() - FPosition; }

    // Reads exactly destination.size() bytes; EReadError when fewer remain.
    void Read(std::span<std::uint8_t> destination);
    // A view of the next count bytes, then skips them; EReadError when fewer
    // remain.  The view is valid until the stream is next written.
    std::span<const std::uint8_t> Take(std::size_t count) {
        if (count > Remaining())
            ThrowShortRead();
        std::span<const std::uint8_t> view(Data() + FPosition, count);
        FPosition += count;
        return view;
    }
    // Writes at the position, overwriting and then growing the buffer.
    // Writers append, a few bytes at a time, millions of times for a large
    // project: that case is one comparison and a copy into room the buffer
    // already has, short enough to be inlined; the rest (making room,
    // overwriting, spilling, the first write to a mapped file) is left to
    // WriteElsewhere.
    void Write(std::span<const std::uint8_t> source) {
        if (FPosition == FEnd && FEnd < FAppendLimit && FBuffer.size() - FEnd >= source.size()) {
            if (!source.empty())
                std::memcpy(FBuffer.data() + FEnd, source.data(), source.size());
            FEnd += source.size();
            FPosition = FEnd;
        } else {
            WriteElsewhere(source);
        }
    }

    // Fails with EReadError unless count items of at least bytesEach bytes
    // each could still follow.  A negative count also fails.  Readers call it
    // with a count taken from the file before they allocate for it.
    void ExpectItems(std::int64_t count, std::size_t bytesEach) const { ExpectItemsIn(Remaining(), count, bytesEach); }
    // The same check against remaining bytes, for readers of their own.
    // Inline: readers of small records call it for every list.
    static void ExpectItemsIn(std::size_t remaining, std::int64_t count, std::size_t bytesEach) {
        if (count < 0 || (bytesEach != 0 && static_cast<std::uint64_t>(count) > remaining / bytesEach))
            ThrowUnexpectedCount(count, bytesEach, remaining);
    }

    // The bytes the stream can read: all of them, unless it spills.
    std::span<const std::uint8_t> View() const { return {Data(), Held()}; }
    // The bytes from the position on, valid until the stream is next written.
    std::span<const std::uint8_t> Rest() const { return {Data() + FPosition, Remaining()}; }
    // The same bytes as the buffer they lie in: a stream reading a mapped
    // file has none and raises std::logic_error.
    const CBlock& Bytes() const;
    // Hands the bytes over as a buffer; the stream is left empty.
    CBlock TakeBytes();
    // Room for capacity bytes without moving the buffer; only what is
    // written is ever touched.
    void Reserve(std::size_t capacity) { FBuffer.reserve(capacity); }

    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName) const;
    // True when the file the stream was loaded from failed while it was read
    // (it shrank, or its device failed): the bytes from there on read as 0,
    // and whatever was read from them must be thrown away.
    bool FileFailed() const { return FMapping != nullptr && FMapping->Failed(); }

    // Writing a file that need not be held in memory whole: from now on,
    // whenever at least threshold bytes are buffered, the next write first
    // appends them to the open file fd and empties the buffer, so the
    // stream holds a window of the file instead of all of it.  The stream
    // must be empty and must only be appended to; the bytes gone to the
    // file can be neither read nor overwritten.  Flush sends what is still
    // buffered.  Both raise EFileError when the file refuses bytes.
    // fileName only names the file in messages.
    void SpillTo(int fd, const std::string& fileName, std::size_t threshold);
    void Flush();

    // For CFieldWriter: the room ready at the end of the stream (empty
    // where the stream does not append now: it overwrites, reads a mapped
    // file or must spill first); count bytes written into it become the
    // stream's; and a write through the stream once room runs short.
    std::span<std::uint8_t> AppendRoom();
    void Appended(std::size_t count) {
        if (count == 0)
            return;
        FEnd += count;
        FPosition = FEnd;
    }
    std::span<std::uint8_t> AppendThrough(std::size_t written, std::span<const std::uint8_t> source);

    // The failures of Take and ExpectItems, for readers of their own.
    [[noreturn]] static void ThrowShortRead();
    [[noreturn]] static void ThrowUnexpectedCount(std::int64_t count, std::size_t bytesEach, std::size_t remaining);

protected:
    void WriteElsewhere(std::span<const std::uint8_t> source);
    // Makes FBuffer reach at least end bytes (see FEnd).
    void MakeRoom(std::size_t end);
    // FBuffer cut to the bytes written, for whatever takes it as a vector.
    void Trim() const { FBuffer.resize(FEnd); }
    void Spill();
    void CopyMapping();

    // The bytes read: the mapped file's, or the buffer's.
    const std::uint8_t* Data() const { return FMapping != nullptr ? FMapping->Bytes().data() : FBuffer.data(); }
    std::size_t Held() const { return FMapping != nullptr ? FMapping->Bytes().size() : FEnd; }

    // The stream's bytes are FBuffer's first FEnd; the rest is room made
    // ahead in steps, so that an append is a plain copy instead of a
    // vector insertion.  Trimmed (mutable for that) when it is handed out.
    mutable CBlock FBuffer;
    std::size_t FEnd = 0;
    std::unique_ptr<CMappedFile> FMapping;  // instead of FBuffer, until written
    std::size_t FPosition = 0;              // in the bytes held

    // Write appends inline only while the buffer is shorter than this: the
    // threshold of a spilling stream, 0 while a mapped file is read.
    static constexpr std::size_t NoLimit = static_cast<std::size_t>(-1);
    std::size_t FAppendLimit = NoLimit;

    // Spilling: bytes already written to FSpillFile.
    std::size_t FSpilled = 0;
    std::size_t FSpillAt = NoLimit;
    int FSpillFile = -1;
    std::string FSpillName;
};

// Writes all of bytes to the open file fd, going on after short writes;
// EFileError naming fileName when the file refuses them.
void WriteAllToFile(int fd, std::span<const std::uint8_t> bytes, const std::string& fileName);

// Asks the system to start writing length bytes of fd from offset to its
// disk now, without waiting.  A spilling stream does so for every window it
// hands over: a save syncs its file before the file takes the target's
// name, and that sync then waits for the last window alone instead of the
// whole file, the rest having gone to the disk while the project was still
// being written.
void StartWriteback(int fd, std::size_t offset, std::size_t length);

// A compressed block whose count and bytes lie inside the file but whose
// content does not inflate, or inflates to something its record cannot use
// (a picture that is not a bitmap): [Start, End) are its bytes, count
// included; Place is where the reader was ("sprite 3 "ship", image 2").
struct CDamagedBlock {
    std::size_t Start = 0;
    std::size_t End = 0;
    std::string Place;
    std::string Cause;
};

// The project stream: a memory stream with the twelve typed primitives.
//
// A stream belongs to exactly one load or save, and carries the core part
// of its project (CCoreState): the records it passes through report their
// places, changes and messages there, and are held to its limits.  A stream
// made without one (a test reading a single record) keeps a core part of
// its own.
class CStream : public CMemoryStream {
public:
    CStream() = default;
    explicit CStream(CBlock bytes) : CMemoryStream(std::move(bytes)) {}
    explicit CStream(CCoreState& core) : FCore(&core) {}
    CStream(CCoreState& core, CBlock bytes) : CMemoryStream(std::move(bytes)), FCore(&core) {}

    // Makes the stream part of the load or save whose core part is core.
    void SetCore(CCoreState& core) { FCore = &core; }
    // The core part of the load or save the stream belongs to.
    CCoreState& Core() {
        if (FCore == nullptr) {
            FOwnCore = std::make_unique<CCoreState>();
            FCore = FOwnCore.get();
        }
        return *FCore;
    }

    std::int32_t ReadInt() { return ReadScalar<std::int32_t>(); }
    void WriteInt(std::int32_t value) { WriteScalar(value); }

    double ReadReal() { return ReadScalar<double>(); }
    void WriteReal(double value) { WriteScalar(value); }

    // The count written before a string's characters; std::length_error
    // for a string longer than the format holds.
    // Inline: a writer of small records calls it for every text.
    static std::int32_t StringCount(std::string_view value) {
        if (value.size() > MaxBlockSize)
            ThrowStringTooLong();
        return static_cast<std::int32_t>(value.size());
    }

    std::string ReadString();
    // The characters of the next string as a view into the stream's bytes,
    // valid until the stream is next written: for readers that keep the
    // text in something other than a std::string.
    std::string_view ReadStringView() {
        const std::int32_t count = ReadInt();
        if (count <= 0)
            return {};
        const std::span<const std::uint8_t> bytes = Take(static_cast<std::size_t>(count));
        return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
    }
    void WriteString(std::string_view value);

    bool ReadBool() { return ReadInt() > 0; }
    void WriteBool(bool value) { WriteInt(value ? 1 : 0); }

    CBlock ReadBlock();
    void WriteBlock(std::span<const std::uint8_t> source);

    // A block inflates to at most the core's InflateLimit bytes and what is
    // left of the running load's budget, which it is charged (Support_Zlib.h).
    CBlock ReadCompressedBlock();
    void WriteCompressedBlock(std::span<const std::uint8_t> source);

    // A recovering load reads past damaged compressed blocks: once given a
    // log, a block that fails to inflate is noted there and reads as an
    // empty block, and the readers treat the block as absent.  Without one
    // (every ordinary load) such a block fails the load as it always has.
    void TolerateDamage(std::vector<CDamagedBlock>* log) { FDamage = log; }
    bool ToleratesDamage() const { return FDamage != nullptr; }
    // Notes the block that began at start and ends at the position as
    // damaged; true when the stream tolerates it, false when the reader
    // must fail as it would without recovery.
    bool NoteDamagedBlock(std::size_t start, std::string cause);
    // The damaged blocks noted so far: a reader compares the count before
    // and after a block to learn whether it was damaged.
    std::size_t DamageCount() const { return FDamage != nullptr ? FDamage->size() : 0; }

    // The block compressor working ahead of the writer, if one is installed;
    // WriteCompressedBlock takes its prepared bytes.
    CPreparedBlocks* Prefetch() const { return FPrefetch; }
    void SetPrefetch(CPreparedBlocks* prefetch) { FPrefetch = prefetch; }

private:
    // Numbers lie in the file as they lie in memory.
    static_assert(std::endian::native == std::endian::little,
                  "the stream copies little-endian numbers as they lie in memory");
    template <class T>
    T ReadScalar() {
        T value;
        std::memcpy(&value, Take(sizeof(T)).data(), sizeof(T));
        return value;
    }
    template <class T>
    void WriteScalar(T value) {
        std::uint8_t bytes[sizeof(T)];
        std::memcpy(bytes, &value, sizeof(T));
        Write(bytes);
    }

    [[noreturn]] static void ThrowStringTooLong();

    CPreparedBlocks* FPrefetch = nullptr;
    CCoreState* FCore = nullptr;
    std::unique_ptr<CCoreState> FOwnCore;  // FCore's, when none was given
    std::vector<CDamagedBlock>* FDamage = nullptr;
};

// Writes the fields of one record through a cursor of its own into room
// made once at the end of the stream, and hands the bytes to the stream when
// it ends: an action of twenty numbers and ten strings then costs a copy a
// field, where the stream's own writes would read and store its length for
// each.  It has the stream's writing primitives, so a record written through
// it still reads as its reader, line for line.  Nothing else may write to the
// stream while a writer lives.
class CFieldWriter {
public:
    explicit CFieldWriter(CStream& stream) : FStream(stream) { Use(stream.AppendRoom()); }
    ~CFieldWriter() { FStream.Appended(Written()); }
    CFieldWriter(const CFieldWriter&) = delete;
    CFieldWriter& operator=(const CFieldWriter&) = delete;

    void WriteInt(std::int32_t value) {
        std::uint8_t bytes[sizeof value];
        std::memcpy(bytes, &value, sizeof value);
        Write(bytes);
    }
    void WriteBool(bool value) { WriteInt(value ? 1 : 0); }
    void WriteString(std::string_view value) {
        WriteInt(CStream::StringCount(value));
        Write({reinterpret_cast<const std::uint8_t*>(value.data()), value.size()});
    }

private:
    // The cursor lives in the writer, whose address is never handed out,
    // so that it can stay in a register across the copies.
    void Write(std::span<const std::uint8_t> source) {
        if (static_cast<std::size_t>(FEnd - FCursor) >= source.size()) {
            // Most fields are a number or a short text.
            if (source.size() <= 8)
                CopyFewBytes(FCursor, source.data(), source.size());
            else
                std::memcpy(FCursor, source.data(), source.size());
            FCursor += source.size();
        } else {
            Use(FStream.AppendThrough(Written(), source));
        }
    }
    std::size_t Written() const { return static_cast<std::size_t>(FCursor - FStart); }
    void Use(std::span<std::uint8_t> room) {
        FStart = FCursor = room.data();
        FEnd = room.data() + room.size();
    }

    CStream& FStream;
    std::uint8_t* FStart = nullptr;
    std::uint8_t* FCursor = nullptr;
    std::uint8_t* FEnd = nullptr;
};

// Reads the fields of one record through a cursor of its own over the bytes
// that remain, and moves the stream past what it read when it ends: the
// reading side of CFieldWriter, with the stream's reading primitives and
// their checks.  Nothing else may read from or write to the stream while a
// reader lives.
class CFieldReader {
public:
    explicit CFieldReader(CStream& stream) : FStream(stream) {
        const std::span<const std::uint8_t> rest = stream.Rest();
        FStart = FCursor = rest.data();
        FEnd = rest.data() + rest.size();
    }
    ~CFieldReader() { FStream.Take(static_cast<std::size_t>(FCursor - FStart)); }
    CFieldReader(const CFieldReader&) = delete;
    CFieldReader& operator=(const CFieldReader&) = delete;

    std::int32_t ReadInt() {
        std::int32_t value;
        std::memcpy(&value, Take(sizeof value), sizeof value);
        return value;
    }
    bool ReadBool() { return ReadInt() > 0; }
    std::string_view ReadStringView() {
        const std::int32_t count = ReadInt();
        if (count <= 0)
            return {};
        return {reinterpret_cast<const char*>(Take(static_cast<std::size_t>(count))), static_cast<std::size_t>(count)};
    }
    void ExpectItems(std::int64_t count, std::size_t bytesEach) const {
        CMemoryStream::ExpectItemsIn(Remaining(), count, bytesEach);
    }
    // The core part of the load the stream belongs to.
    CCoreState& Core() { return FStream.Core(); }

private:
    std::size_t Remaining() const { return static_cast<std::size_t>(FEnd - FCursor); }
    const std::uint8_t* Take(std::size_t count) {
        if (count > Remaining())
            CMemoryStream::ThrowShortRead();
        const std::uint8_t* bytes = FCursor;
        FCursor += count;
        return bytes;
    }

    CStream& FStream;
    const std::uint8_t* FStart = nullptr;
    const std::uint8_t* FCursor = nullptr;
    const std::uint8_t* FEnd = nullptr;
};

// The memory one load may claim beyond the file itself.  A small file can
// describe far more than it holds: a compressed block inflates up to about a
// thousand times its size, a picture of a thousand empty rows costs a few
// bytes a row.  Whatever a reader builds from such descriptions (inflated
// blocks, decoded pictures, action records) is charged to the budget of the
// load that is running; a load that would exceed it fails with EReadError,
// which ends as a corrupted file.  The budget is
//
//   max(LoadBudgetFloor, LoadBudgetFactor x the size of the file)
//
// which no real project comes near: real data compresses far less than 128
// to 1 overall.  Outside a load (no CLoadBudget alive) nothing is limited.
// The budget is kept in the project's core part (CCoreState), whose
// BudgetFloor starts at LoadBudgetFloor; a fuzzing harness lowers it so
// that a bomb ends long before its time or memory limit.
inline constexpr std::size_t LoadBudgetFactor = 128;

class CLoadBudget {
public:
    // Opens the budget of a load of a file of fileSize bytes in core; the
    // budget of an enclosing load, if any, is restored when this one closes.
    CLoadBudget(CCoreState& core, std::size_t fileSize);
    ~CLoadBudget();
    CLoadBudget(const CLoadBudget&) = delete;
    CLoadBudget& operator=(const CLoadBudget&) = delete;

    // Bytes still free in the running load's budget; SIZE_MAX outside a load.
    static std::size_t Remaining(const CCoreState& core);
    // Charges bytes to the running load; EReadError when they do not fit.
    static void Charge(CCoreState& core, std::size_t bytes);

private:
    CCoreState& FCore;
    std::size_t FPreviousLimit;
    std::size_t FPreviousUsed;
};

}  // namespace transvane
