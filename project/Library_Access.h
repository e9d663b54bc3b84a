// What the programs of this project reach behind the public interface: the
// conversion a CConverter runs, whose project holds the records it loaded
// (info and extract walk them).  Not installed.
#pragma once

#include "project/Conversion.h"
#include "transvane/transvane.h"

namespace transvane::detail {

class CAccess {
public:
    static const CConversion& Conversion(const CConverter& converter);
    static CConversion& Conversion(CConverter& converter);
};

}  // namespace transvane::detail
