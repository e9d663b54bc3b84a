// Platforms that map no files: the page in the browser, which gets its
// projects as bytes in memory anyway, and Windows, where a page lost from a
// mapping raises an exception that a program built with MinGW's g++
// cannot catch safely.  CMemoryStream::LoadFromFile, refused a mapping,
// reads the file into memory of its own; a file that shrinks meanwhile
// ends the read with a clear error.
#include "format/core/Support_MappedFile.h"

#include "format/core/Support_Stream.h"

namespace transvane {

CMappedFile::CMappedFile(int, std::size_t, const std::string& fileName) {
    FSlot = -1;  // no slot: there is no handler to register with
    throw EFileError("Cannot map file \"" + fileName + "\": this platform maps no files");
}

CMappedFile::~CMappedFile() = default;

bool CMappedFile::Failed() const { return false; }

}  // namespace transvane
