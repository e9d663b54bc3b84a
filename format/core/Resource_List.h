// The list shape shared by every resource kind.
//
// A list is a number of slots, each empty or owning one record, with a
// parallel array of names (empty for an empty slot).  The slot index is the
// resource's identity: deleting a resource leaves an empty slot and later
// indices never shift.  In the file a list is
//
//   int32 list version
//   int32 slot count
//   per slot: bool present; when present: string name, then the record
//
// A record type T provides Load(CStream&) -> bool and Save(CStream&) -> bool.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "format/core/Support_Arena.h"
#include "format/core/Support_Prefetch.h"
#include "format/core/Support_Progress.h"
#include "format/core/Support_Stream.h"

namespace transvane {

// Records that hold compressed blocks list them for the block compressor
// (Support_Prefetch.h) in the order their Save writes them.
template <class T>
concept CHasBlocks = requires(const T& record, CBlockPrefetch& prefetch) {
    record.PrepareBlocks(prefetch);
};

template <class T>
class CResourceList {
public:
    // what names a slot in messages and reports: "object 3 "player"".
    explicit CResourceList(const char* what = "resource") : FWhat(what) {}

    int Count() const { return static_cast<int>(FSlots.size()); }

    // The record in the slot, or nullptr for an index outside the list or an
    // empty slot.
    T* Get(int index) const {
        if (index < 0 || index >= Count())
            return nullptr;
        return FSlots[static_cast<std::size_t>(index)].get();
    }
    bool Exists(int index) const { return Get(index) != nullptr; }

    const std::string& Name(int index) const { return FNames.at(static_cast<std::size_t>(index)); }

    // Appends a slot; record may be null for an empty slot.
    void Add(std::unique_ptr<T> record, std::string name = {}) { Add(Adopt(std::move(record)), std::move(name)); }
    void Add(std::nullptr_t) { Add(CArenaPtr<T>()); }
    void Add(CArenaPtr<T> record, std::string name = {}) {
        const bool present = record != nullptr;
        FSlots.push_back(std::move(record));
        FNames.push_back(present ? std::move(name) : std::string());
    }

    void Clear() {
        FSlots.clear();
        FNames.clear();
        FDeclared = -1;
        FStoppedInResource = false;
        Changed = false;
    }

    // Reads the list section.  The list is cleared first.  A slot joins the
    // list only once it has been read completely, so on a false result or
    // an exception the list holds exactly the slots read before the
    // failure: the ordinary load then clears the project, a recovering one
    // keeps them.  A version outside [minVersion, maxVersion] gives false.
    bool Load(CStream& stream, std::int32_t minVersion, std::int32_t maxVersion) {
        Clear();
        const std::int32_t version = stream.ReadInt();
        if (version < minVersion || version > maxVersion)
            return false;
        const std::int32_t count = stream.ReadInt();
        // Every slot holds at least its four-byte presence flag.  A count
        // the rest of the file cannot hold fails at once, except in a
        // recovering load: its file may just end inside the list, and the
        // slots are then read for as long as they last.
        try {
            stream.ExpectItems(count, 4);
            FDeclared = count;
            FSlots.reserve(static_cast<std::size_t>(count));
            FNames.reserve(static_cast<std::size_t>(count));
        } catch (const EReadError&) {
            if (count < 0 || !stream.ToleratesDamage())
                throw;
        }
        for (std::int32_t i = 0; i < count; ++i) {
            if (!stream.ReadBool()) {
                Add(CArenaPtr<T>());
                continue;
            }
            FStoppedInResource = true;  // until its record has been read
            std::string name = stream.ReadString();
            const CPlace place(stream.Core(), FWhat, i, name, Named);
            auto record = MakeRecord(stream.Core().Memory);
            if (!record->Load(stream)) {
                KeepFailurePlace(stream.Core());
                return false;
            }
            Add(std::move(record), std::move(name));
            FStoppedInResource = false;
            ProgressRead(stream.Core(), stream.Position());
        }
        Changed = false;
        return true;
    }

    // The slot count the last Load accepted from the file; -1 when it read
    // none (the list failed before its count, or was never loaded).
    int Declared() const { return FDeclared; }
    // The last Load stopped inside a slot known to hold a resource (its
    // presence flag was read, its record was not).
    bool StoppedInResource() const { return FStoppedInResource; }

    bool Save(CStream& stream, std::int32_t version) const {
        // The blocks of the whole list are compressed on every core while
        // the list is written; the bytes are the same as without.
        std::optional<CBlockPrefetch> prefetch;
        if constexpr (CHasBlocks<T>) {
            prefetch.emplace(stream);
            for (const auto& slot : FSlots)
                if (slot != nullptr)
                    slot->PrepareBlocks(*prefetch);
        }
        stream.WriteInt(version);
        stream.WriteInt(Count());
        for (std::size_t i = 0; i < FSlots.size(); ++i) {
            stream.WriteBool(FSlots[i] != nullptr);
            if (FSlots[i] == nullptr)
                continue;
            stream.WriteString(FNames[i]);
            const CPlace place(stream.Core(), FWhat, static_cast<std::int64_t>(i), FNames[i], Named);
            if (!FSlots[i]->Save(stream))
                return false;
            ProgressWritten(stream.Core(), i + 1, FSlots.size());
        }
        return true;
    }

    // The modified flag: cleared by Clear, a successful Load and a successful
    // save of the whole project; nothing in the converter sets it.
    bool Changed = false;

private:
    // A record whose containers allocate from memory too, when it has any.
    static CArenaPtr<T> MakeRecord(CMemoryResource* memory) {
        if constexpr (std::is_constructible_v<T, CMemoryResource*>)
            return MakeIn<T>(memory, memory);
        else
            return MakeIn<T>(memory);
    }

    const char* FWhat;
    int FDeclared = -1;
    bool FStoppedInResource = false;
    std::vector<CArenaPtr<T>> FSlots;
    std::vector<std::string> FNames;
};

// The number of slots of the list that hold a resource.
template <class T>
std::int64_t ResourceCount(const CResourceList<T>& list) {
    std::int64_t count = 0;
    for (int i = 0; i < list.Count(); ++i)
        count += list.Exists(i) ? 1 : 0;
    return count;
}

}  // namespace transvane
