// Platforms that cannot map files (the page in the browser, which gets its
// projects as bytes in memory anyway): no mapping is ever made, so no
// SIGBUS is ever recovered, and CMemoryStream::LoadFromFile, refused a
// mapping, reads the file into memory of its own.
#include "format/core/Support_MappedFile.h"

#include "format/core/Support_Stream.h"

namespace transvane {

CMappedFile::CMappedFile(int, std::size_t, const std::string& fileName) {
    FSlot = -1;  // no slot: there is no handler to register with
    throw EFileError("Cannot map file \"" + fileName + "\": this platform maps no files");
}

CMappedFile::~CMappedFile() = default;

bool CMappedFile::Failed() const { return false; }

bool RecoverMappedFileFault(const siginfo_t*) noexcept { return false; }

}  // namespace transvane
