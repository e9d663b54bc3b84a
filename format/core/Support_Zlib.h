// The block codec: one zlib stream per compressed block of a project file.
//
// A compressed block holds one zlib stream (two-byte header, deflate data,
// Adler-32 trailer) and nothing else; its inflated size is stored nowhere,
// the stream ends by itself.  This unit knows nothing of the project
// stream: it turns bytes into a zlib stream and back, within a size limit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "format/core/Support_Errors.h"
#include "format/core/Support_Project.h"  // MaxBlockSize

namespace transvane {

// Appends one zlib stream of source to destination: header 78 9C, window of
// 32 KiB, Adler-32 trailer.  Data that would not shrink by 1 % (judged on a
// sample) goes into stored blocks; the rest is deflated by libdeflate at
// level 6 from 4 KiB up, zlib at its default level below that, or zlib alone.
void CompressBlock(std::span<const std::uint8_t> source, std::vector<std::uint8_t>& destination);

// Decodes one zlib stream and fails with EZCompressionError on anything
// else; bytes after the end of the stream are ignored.  nullopt when the
// stream inflates to more than maxSize bytes: the inflater stops one window
// past maxSize, so a bomb never costs more than that.
std::optional<std::vector<std::uint8_t>> InflateBlock(std::span<const std::uint8_t> source, std::size_t maxSize);

}  // namespace transvane
