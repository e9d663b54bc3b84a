// The errors the format's lowest floor raises: a short or impossible read,
// a failure of the block compressor, a file the system refuses.  They live
// below the stream and the file mapping so that both can raise them.
#pragma once

#include <stdexcept>

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
class EFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
