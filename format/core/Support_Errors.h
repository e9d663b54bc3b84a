// The errors the format's lowest floor raises: a short or impossible read,
// a failure of the block compressor, a file the system refuses.  They live
// below the stream and the file mapping so that both can raise them.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

namespace transvane {

// Raised when a read needs more bytes than remain in the stream, or when a
// count taken from the stream cannot possibly be satisfied by what remains.
class EReadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Raised by the block compressor and inflater; carries zlib's own error text.
class EZCompressionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Raised by LoadFromFile and SaveToFile, and by a file that cannot be mapped.
// what() is the whole sentence, naming the file; Cause() is only why, in
// the system's own words where the system refused ("No space left on
// device"), for the cause line of a message.
class EFileError : public std::runtime_error {
public:
    // The text is all cause.
    explicit EFileError(const std::string& text) : std::runtime_error(text) {}
    // "doing "name": cause".
    EFileError(const std::string& doing, const std::string& name, const std::string& cause)
        : std::runtime_error(doing + " \"" + name + "\": " + cause), FCauseAt(doing.size() + name.size() + 5) {}

    const char* Cause() const noexcept { return what() + FCauseAt; }

private:
    std::size_t FCauseAt = 0;  // the cause is the end of what(), so copies cannot throw
};

}  // namespace transvane
