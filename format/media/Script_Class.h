// The script record: a named piece of text, carried byte for byte.
//
// Record (version 400, the only one read and written):
//
//   int32 400
//   string ScriptText
#pragma once

#include <string>

#include "format/core/Support_Stream.h"

namespace transvane {

class CScript {
public:
    // Empties the text.
    void Clear();
    // Reads one record.  False for a record version other than 400.
    bool Load(CStream& stream);
    // Writes one record; always true.
    bool Save(CStream& stream) const;

    // The text as stored, line breaks and bytes above 127 included.
    std::string ScriptText;
};

}  // namespace transvane
