// The data file record: a block of arbitrary bytes that a game exports as a
// file, with the file name, an export mode and three export options.  The
// converter never looks inside the data; it carries every field as read.
// The data file's name is kept in its list slot, not here.
//
// Record (version 440, the only one read and written):
//
//   int32 440
//   string FileName
//   bool HasData
//   compressed block Data, only when HasData
//   int32 ExportMode
//   bool DataFileFlag1, bool DataFileFlag2, bool DataFileFlag3
#pragma once

#include <cstdint>
#include <string>

#include "format/core/Support_Prefetch.h"
#include "format/core/Support_Stream.h"

namespace transvane {

// Where the authoring tool exports the data; a stored value outside these is
// carried unchanged all the same.
enum EDataFileExport : std::int32_t {
    DataFileDontExport = 0,
    DataFileToTemporaryFolder = 1,
    DataFileToWorkingFolder = 2,
    DataFileInstallAsFont = 3,
};

class CDataFile {
public:
    // Empties the data and restores every default.
    void Clear();
    // Reads one record.  False for a record version other than 440.
    bool Load(CStream& stream);
    // Writes one record; always true.
    bool Save(CStream& stream) const;
    // Lists the block Save compresses, if any.
    void PrepareBlocks(CBlockPrefetch& prefetch) const;

    std::string FileName;
    bool HasData = false;
    // Meaningful only when HasData; written (compressed, also when empty)
    // exactly then.
    CBlock Data;
    std::int32_t ExportMode = DataFileToWorkingFolder;
    // The three export options, in their stored order.
    bool DataFileFlag1 = false;
    bool DataFileFlag2 = true;
    bool DataFileFlag3 = true;
};

}  // namespace transvane
