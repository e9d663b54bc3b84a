#include "format/core/Support_Stream.h"

#include "format/core/Support_Platform.h"
#include "format/core/Support_Progress.h"
#include "format/core/Support_Zlib.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <limits>
#include <utility>

namespace transvane {

namespace {

// The running load's budget (CCoreState) is this when no load runs.
constexpr std::size_t Unlimited = std::numeric_limits<std::size_t>::max();

// A block may not inflate past the block limit nor past what is left of the
// running load's budget; it is charged with what it inflated to.
CBlock InflateCharged(CCoreState& core, std::span<const std::uint8_t> source) {
    const std::size_t limit = std::min(core.InflateLimit, CLoadBudget::Remaining(core));
    std::optional<CBlock> block = InflateBlock(source, limit);
    if (!block) {
        if (limit < core.InflateLimit)
            throw EReadError("The file describes more data than it can hold: it is corrupted");
        throw EZCompressionError("inflated block exceeds the size limit");
    }
    CLoadBudget::Charge(core, block->size());
    return std::move(*block);
}

CBlock ReadWholeFile(int fd, std::size_t size, const std::string& fileName) {
    CBlock bytes;
    try {
        bytes.resize(size);
    } catch (const std::bad_alloc&) {
        throw EFileError("Cannot read file", fileName, "out of memory");
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::ptrdiff_t got = ReadFromFile(fd, bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            throw EFileError("Cannot read file", fileName,
                             got == 0 ? "file shrank while reading" : std::strerror(errno));
        done += static_cast<std::size_t>(got);
    }
    return bytes;
}

}  // namespace

// ---------------------------------------------------------------------------
// CMemoryStream

CMemoryStream& CMemoryStream::operator=(CMemoryStream&& other) noexcept {
    if (this != &other) {
        FBuffer = std::exchange(other.FBuffer, {});
        FEnd = std::exchange(other.FEnd, 0);
        FMapping = std::move(other.FMapping);
        FPosition = std::exchange(other.FPosition, 0);
        FAppendLimit = std::exchange(other.FAppendLimit, NoLimit);
        FSpilled = std::exchange(other.FSpilled, 0);
        FSpillAt = std::exchange(other.FSpillAt, NoLimit);
        FSpillFile = std::exchange(other.FSpillFile, -1);
        FSpillName = std::exchange(other.FSpillName, {});
    }
    return *this;
}

void CMemoryStream::SetPosition(std::size_t position) {
    if (position < FSpilled)
        throw std::logic_error("a spilling stream cannot go back to bytes already written");
    FPosition = std::min(position - FSpilled, Held());
}

void CMemoryStream::Read(std::span<std::uint8_t> destination) {
    std::span<const std::uint8_t> source = Take(destination.size());
    if (!source.empty())
        std::memcpy(destination.data(), source.data(), source.size());
}

void CMemoryStream::ThrowShortRead() { throw EReadError("Stream read error"); }

void CMemoryStream::WriteElsewhere(std::span<const std::uint8_t> source) {
    if (FMapping != nullptr)
        CopyMapping();
    if (FPosition == FEnd && FSpillFile >= 0 && FEnd >= FSpillAt)
        Spill();  // the window is full
    const std::size_t end = FPosition + source.size();
    if (end > FEnd) {
        MakeRoom(end);
        FEnd = end;
    }
    // memmove: source may lie in the stream's own bytes.
    if (!source.empty())
        std::memmove(FBuffer.data() + FPosition, source.data(), source.size());
    FPosition = end;
}

// The room grows a kilobyte at a time within the capacity, so that a capacity
// reserved generously is not touched (nor backed by memory) before it is
// written, and the room a compressed block takes away (it is compressed into
// the vector, which is cut to the stream's bytes for it) costs little to
// make again; beyond the capacity the buffer doubles, as a vector's
// insertion would.
void CMemoryStream::MakeRoom(std::size_t end) {
    if (end <= FBuffer.size())
        return;
    constexpr std::size_t Step = std::size_t{1} << 10;
    if (end > FBuffer.capacity())
        FBuffer.reserve(std::max(end, FBuffer.capacity() * 2));
    FBuffer.resize(std::min(FBuffer.capacity(), std::max(end, FEnd + Step)));
}

// A record of small fields fits in this: room is made for it at once, and
// a record that needs more goes on through AppendThrough.
constexpr std::size_t RecordRoom = 256;

std::span<std::uint8_t> CMemoryStream::AppendRoom() {
    if (FMapping != nullptr || FPosition != FEnd || FEnd >= FAppendLimit)
        return {};
    MakeRoom(FEnd + RecordRoom);
    return {FBuffer.data() + FEnd, FBuffer.size() - FEnd};
}

std::span<std::uint8_t> CMemoryStream::AppendThrough(std::size_t written, std::span<const std::uint8_t> source) {
    Appended(written);
    Write(source);
    return AppendRoom();
}

// The causes say what the file holds where a count should be: a reader
// that gets there has not run out of bytes, it met a value no writer makes.
void CMemoryStream::ThrowUnexpectedCount(std::int64_t count, std::size_t bytesEach, std::size_t remaining) {
    if (count < 0)
        throw EReadError("a count of " + std::to_string(count) + " where a count was expected");
    throw EReadError("a count of " + std::to_string(count) + " where the rest of the file holds at most " +
                     std::to_string(remaining / bytesEach));
}

void CMemoryStream::SpillTo(int fd, const std::string& fileName, std::size_t threshold) {
    if (Size() != 0)
        throw std::logic_error("only an empty stream can start spilling");
    FSpillFile = fd;
    FSpillName = fileName;
    FSpillAt = threshold;
    FAppendLimit = threshold;
}

void CMemoryStream::Spill() {
    if (FPosition != FEnd)
        throw std::logic_error("a spilling stream may only be appended to");
    WriteAllToFile(FSpillFile, View(), FSpillName);
    StartWriteback(FSpillFile, FSpilled, FEnd);
    // The buffer keeps its room: the next window reuses the same memory.
    FSpilled += FEnd;
    FEnd = 0;
    FPosition = 0;
}

void CMemoryStream::Flush() {
    if (FSpillFile >= 0)
        Spill();
}

void CMemoryStream::CopyMapping() {
    const std::span<const std::uint8_t> mapped = FMapping->Bytes();
    FBuffer.assign(mapped.begin(), mapped.end());
    FEnd = FBuffer.size();
    FMapping.reset();
    FAppendLimit = FSpillAt;
}

const CBlock& CMemoryStream::Bytes() const {
    if (FMapping != nullptr)
        throw std::logic_error("a stream reading a mapped file has no buffer; use View");
    Trim();
    return FBuffer;
}

CBlock CMemoryStream::TakeBytes() {
    if (FMapping != nullptr)
        CopyMapping();
    Trim();
    CBlock bytes = std::move(FBuffer);
    FBuffer.clear();
    FEnd = 0;
    FPosition = 0;
    return bytes;
}

void CMemoryStream::LoadFromFile(const std::string& fileName) {
    const int fd = OpenForReading(fileName);
    if (fd < 0)
        throw EFileError("Cannot open file", fileName, std::strerror(errno));
    const std::optional<std::uint64_t> fileSize = OrdinaryFileSize(fd);
    if (!fileSize) {
        CloseFile(fd);
        throw EFileError("Cannot open file", fileName, "not an ordinary file");
    }
    if (*fileSize > std::numeric_limits<std::size_t>::max()) {
        CloseFile(fd);
        throw EFileError("Cannot read file", fileName, "out of memory");
    }
    const auto size = static_cast<std::size_t>(*fileSize);
    std::unique_ptr<CMappedFile> mapping;
    CBlock bytes;
    try {
        if (size > 0) {
            try {
                mapping = std::make_unique<CMappedFile>(fd, size, fileName);
            } catch (const EFileError&) {
                // Not mappable here: the file is read into the buffer instead.
            }
        }
        if (mapping == nullptr)
            bytes = ReadWholeFile(fd, size, fileName);
    } catch (...) {
        CloseFile(fd);
        throw;
    }
    CloseFile(fd);  // a mapping stays valid without its descriptor
    FBuffer = std::move(bytes);
    FEnd = FBuffer.size();
    FMapping = std::move(mapping);
    FAppendLimit = FMapping != nullptr ? 0 : FSpillAt;
    FPosition = 0;
}

void CMemoryStream::SaveToFile(const std::string& fileName) const {
    const int fd = CreateOrTruncateFile(fileName);
    if (fd < 0)
        throw EFileError("Cannot create file", fileName, std::strerror(errno));
    try {
        WriteAllToFile(fd, View(), fileName);
    } catch (...) {
        CloseFile(fd);
        throw;
    }
    if (!CloseFile(fd))
        throw EFileError("Cannot write file", fileName, std::strerror(errno));
}

void WriteAllToFile(int fd, std::span<const std::uint8_t> bytes, const std::string& fileName) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::ptrdiff_t put = WriteToFile(fd, bytes.data() + done, bytes.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            throw EFileError("Cannot write file", fileName, std::strerror(put < 0 ? errno : ENOSPC));
        done += static_cast<std::size_t>(put);
    }
}

// ---------------------------------------------------------------------------
// CStream primitives

std::string CStream::ReadString() { return std::string(ReadStringView()); }

void CStream::ThrowStringTooLong() { throw std::length_error("string too long for the project format"); }

void CStream::WriteString(std::string_view value) {
    WriteInt(StringCount(value));
    Write({reinterpret_cast<const std::uint8_t*>(value.data()), value.size()});
}

namespace {

[[noreturn]] void ThrowNegativeSize(std::int32_t count) {
    throw EReadError("a size of " + std::to_string(count) + " where a block's size was expected");
}

}  // namespace

CBlock CStream::ReadBlock() {
    const std::int32_t count = ReadInt();
    if (count < 0)
        ThrowNegativeSize(count);
    std::span<const std::uint8_t> bytes = Take(static_cast<std::size_t>(count));
    return CBlock(bytes.begin(), bytes.end());
}

void CStream::WriteBlock(std::span<const std::uint8_t> source) {
    if (source.size() > MaxBlockSize)
        throw std::length_error("block too large for the project format");
    WriteInt(static_cast<std::int32_t>(source.size()));
    Write(source);
}

CBlock CStream::ReadCompressedBlock() {
    const std::size_t start = Position();
    const std::int32_t count = ReadInt();
    if (count < 0)
        ThrowNegativeSize(count);
    const std::span<const std::uint8_t> bytes = Take(static_cast<std::size_t>(count));
    if (FDamage == nullptr)
        return InflateCharged(Core(), bytes);
    // The block's length was sound, so whatever its content is, the reading
    // can go on after it.
    try {
        return InflateCharged(Core(), bytes);
    } catch (const EReadError& error) {
        NoteDamagedBlock(start, error.what());
    } catch (const EZCompressionError& error) {
        NoteDamagedBlock(start, error.what());
    }
    return {};
}

bool CStream::NoteDamagedBlock(std::size_t start, std::string cause) {
    if (FDamage == nullptr)
        return false;
    FDamage->push_back({start, Position(), CurrentPlace(Core()), std::move(cause)});
    return true;
}

void CStream::WriteCompressedBlock(std::span<const std::uint8_t> source) {
    if (FPrefetch != nullptr) {
        if (std::optional<CBlock> prepared = FPrefetch->Take(source)) {
            if (prepared->size() > MaxBlockSize)
                throw EZCompressionError("compressed block too large for the project format");
            WriteInt(static_cast<std::int32_t>(prepared->size()));
            Write(*prepared);
            FPrefetch->GiveBack(std::move(*prepared));
            return;
        }
    }
    // Deflate straight behind a placeholder count and patch the count in
    // afterwards: the compressed bytes are never copied.  (A spilling stream
    // spills only at the start of a write, so the placeholder is still in
    // the buffer when it is patched.)
    WriteInt(0);
    if (FPosition != FEnd)
        throw std::logic_error("WriteCompressedBlock must append at the end of the stream");
    const std::size_t countAt = FPosition - 4;
    Trim();
    CompressBlock(source, FBuffer);
    FEnd = FBuffer.size();
    const std::size_t compressed = FEnd - countAt - 4;
    if (compressed > MaxBlockSize)
        throw EZCompressionError("compressed block too large for the project format");
    const auto count = static_cast<std::int32_t>(compressed);
    std::memcpy(FBuffer.data() + countAt, &count, 4);
    FPosition = FEnd;
}

// ---------------------------------------------------------------------------
// The load budget

CLoadBudget::CLoadBudget(CCoreState& core, std::size_t fileSize)
    : FCore(core), FPreviousLimit(core.BudgetLimit), FPreviousUsed(core.BudgetUsed) {
    const std::size_t scaled = fileSize > Unlimited / LoadBudgetFactor ? Unlimited : fileSize * LoadBudgetFactor;
    core.BudgetLimit = std::max(core.BudgetFloor, scaled);
    core.BudgetUsed = 0;
}

CLoadBudget::~CLoadBudget() {
    FCore.BudgetLimit = FPreviousLimit;
    FCore.BudgetUsed = FPreviousUsed;
}

std::size_t CLoadBudget::Remaining(const CCoreState& core) { return core.BudgetLimit - core.BudgetUsed; }

void CLoadBudget::Charge(CCoreState& core, std::size_t bytes) {
    if (core.BudgetLimit == Unlimited)
        return;
    if (bytes > Remaining(core))
        throw EReadError("The file describes more data than it can hold: it is corrupted");
    core.BudgetUsed += bytes;
}

}  // namespace transvane
