// The sound record: a named block of data bytes with a kind and a few
// settings.  The converter never looks inside the data; it keeps the bytes
// as read and writes them back compressed.
//
// Record (versions 400 and 440 read, 440 written):
//
//   int32 version
//   int32 SoundKind
//   string SoundText
//   SoundData, only when SoundKind isn't -1:
//       version 400: block (int32 size, raw bytes)
//       version 440: compressed block (int32 size, one zlib stream)
//   bool SoundFlag1
//   int32 SoundValue
//   bool SoundFlag2
#pragma once

#include <cstdint>
#include <string>

#include "format/core/Support_Prefetch.h"
#include "format/core/Support_Stream.h"

namespace transvane {

class CSound {
public:
    // Drops the data and restores every default.
    void Clear();
    // Reads one record.  False for a record version other than 400 and 440.
    bool Load(CStream& stream);
    // Writes one version-440 record; always true.
    bool Save(CStream& stream) const;
    // Lists the block Save compresses, if any.
    void PrepareBlocks(CBlockPrefetch& prefetch) const;

    // -1: the sound holds no data; any other value: it does.
    std::int32_t SoundKind = -1;
    std::string SoundText;
    // The plain data bytes; meaningful exactly when SoundKind isn't -1.
    CBlock SoundData;
    bool SoundFlag1 = false;
    std::int32_t SoundValue = 1;
    bool SoundFlag2 = false;
};

}  // namespace transvane
