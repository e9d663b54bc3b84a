#include "cli/Support_Input.h"

#include <cerrno>
#include <cstdint>
#include <string>
#include <unistd.h>

#include "format/core/Support_Platform.h"

namespace transvane {

std::optional<CBlock> ReadStandardInput() {
    CBlock bytes;
    std::uint8_t buffer[1 << 16];
    for (;;) {
        const std::ptrdiff_t got = ReadFromFile(STDIN_FILENO, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 || bytes.size() + static_cast<std::size_t>(got) > MaxStandardInput)
            return std::nullopt;
        if (got == 0)
            return bytes;
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
}

CReportedMessage StandardInputUnreadable() {
    return {"Error Loading: Failed to load the file.",
            {"file: -", "cause: standard input cannot be read or is larger than " +
                            std::to_string(MaxStandardInput >> 20) + " MiB"}};
}

}  // namespace transvane
