#include "cli/Support_SafeName.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <mutex>
#include <optional>
#include <thread>
#include <ostream>
#include <streambuf>
#include <vector>
#include <cstring>
#include <stdexcept>

#include "format/core/Support_File.h"

namespace transvane {

namespace {

// The code point at text[at] and its length in bytes; a byte that starts no
// valid sequence counts as one character of its own.
std::pair<char32_t, std::size_t> NextCharacter(std::string_view text, std::size_t at) {
    const auto byte = static_cast<unsigned char>(text[at]);
    std::size_t length = byte < 0x80           ? 1
                         : (byte >> 5) == 0x6  ? 2
                         : (byte >> 4) == 0xE  ? 3
                         : (byte >> 3) == 0x1E ? 4
                                               : 0;
    if (length == 0 || at + length > text.size())
        return {byte, 1};
    char32_t code = length == 1 ? byte : byte & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80)
            return {byte, 1};
        code = code << 6 | (next & 0x3F);
    }
    return {code, length};
}

bool Forbidden(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || std::strchr("/\\:*?\"<>|", static_cast<int>(c < 0x80 ? c : 'a'));
}

}  // namespace

std::string SafeFileName(std::string_view name, std::string_view fallback) {
    std::string safe;
    for (std::size_t at = 0; at < name.size();) {
        const auto [code, length] = NextCharacter(name, at);
        std::string_view piece = name.substr(at, length);
        at += length;
        if (Forbidden(code) || (length == 1 && code >= 0x80))  // a stray byte is no character
            piece = "_";
        if (safe.size() + piece.size() > MaxNameBytes)
            break;
        safe += piece;
    }
    // Leading dots: no hidden files, no "." or "..".
    for (char& c : safe) {
        if (c != '.')
            break;
        c = '_';
    }
    while (!safe.empty() && (safe.back() == '.' || safe.back() == ' '))
        safe.pop_back();
    if (safe.empty())
        safe = fallback;
    if (IsDeviceName(safe)) {
        // GCC 12 at -O3 sees an overlapping memcpy of some 2^63 bytes inside
        // std::string::insert once it is inlined here (-Wrestrict): a known
        // false positive of that compiler, since the literal cannot overlap
        // the string's own buffer.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wrestrict"
        safe.insert(0, "_");
#pragma GCC diagnostic pop
    }
    return safe;
}

std::string FoldedName(std::string_view name) {
    std::string folded;
    for (std::size_t at = 0; at < name.size();) {
        auto [code, length] = NextCharacter(name, at);
        const std::string_view piece = name.substr(at, length);
        at += length;
        if (code >= 'A' && code <= 'Z') {
            folded += static_cast<char>(code - 'A' + 'a');
            continue;
        }
        // The upper-case letters of Windows-1252 beyond ASCII.
        if (code >= 0xC0 && code <= 0xDE && code != 0xD7)
            code += 0x20;
        else if (code == 0x160 || code == 0x152 || code == 0x17D)
            code += 1;
        else if (code == 0x178)
            code = 0xFF;
        else {
            folded += piece;
            continue;
        }
        // Folded letters are all two-byte characters.
        folded += static_cast<char>(0xC0 | (code >> 6));
        folded += static_cast<char>(0x80 | (code & 0x3F));
    }
    return folded;
}

std::string CNameSet::Claim(std::string_view name, std::string_view extension, std::string_view fallback) {
    const std::string stem = SafeFileName(name, fallback);
    // Counting goes on where the last claim of the same name stopped: a
    // file naming a million resources alike costs a million steps, not a
    // million squared.
    std::int64_t& next = FNext[FoldedName(stem) + '/' + FoldedName(extension)];
    std::string candidate = stem + std::string(extension);
    if (next == 0)
        next = 2;
    else
        candidate = stem + "_" + std::to_string(next++) + std::string(extension);
    while (!FTaken.insert(FoldedName(candidate)).second)
        candidate = stem + "_" + std::to_string(next++) + std::string(extension);
    return candidate;
}

namespace {

// A stream buffer that writes to a file handle in 64 KiB pieces and
// remembers the first failure.
class CHandleBuffer final : public std::streambuf {
public:
    explicit CHandleBuffer(int handle) : FHandle(handle), FBuffer(1 << 16) {
        setp(FBuffer.data(), FBuffer.data() + FBuffer.size());
    }
    int Error = 0;

protected:
    int_type overflow(int_type c) override {
        if (sync() != 0)
            return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }
    int sync() override {
        const char* at = pbase();
        while (at < pptr() && Error == 0) {
            const std::ptrdiff_t written = WriteToFile(FHandle, at, static_cast<std::size_t>(pptr() - at));
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                Error = written < 0 ? errno : EIO;
            else
                at += written;
        }
        setp(FBuffer.data(), FBuffer.data() + FBuffer.size());
        return Error == 0 ? 0 : -1;
    }

private:
    int FHandle;
    std::vector<char> FBuffer;
};

}  // namespace

void COutputFolder::WriteFile(const std::string& name, bool replace,
                              const std::function<void(std::ostream&)>& writer) const {
    const int handle = CreateFile(name, replace);
    CHandleBuffer buffer(handle);
    std::ostream out(&buffer);
    try {
        writer(out);
    } catch (...) {
        CloseFile(handle);
        throw;
    }
    out.flush();
    int error = buffer.Error;
    if (!CloseFile(handle) && error == 0)
        error = errno;
    if (error != 0)
        throw std::runtime_error(FPath + "/" + name + ": " + std::strerror(error));
}

void COutputFolder::WriteFile(const std::string& name, std::span<const std::uint8_t> bytes, bool replace) const {
    WriteFile(name, replace, [&](std::ostream& out) {
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    });
}

void SyncFiles(const std::vector<std::string>& paths) {
    // Enough syncs in flight for the file system to gather them, few
    // enough not to crowd a machine busy with other work.
    constexpr std::size_t AtOnce = 8;
    std::atomic<std::size_t> next{0};
    std::mutex lock;
    std::optional<std::pair<std::size_t, std::string>> failed;  // the first in paths' order
    const auto work = [&] {
        for (std::size_t i = next++; i < paths.size(); i = next++) {
            try {
                SyncFileAt(paths[i]);
            } catch (const std::exception& error) {
                const std::lock_guard<std::mutex> guard(lock);
                if (!failed || i < failed->first)
                    failed.emplace(i, error.what());
            }
        }
    };
    {
        std::vector<std::jthread> workers;
        for (std::size_t j = 1; j < std::min(AtOnce, paths.size()); ++j)
            workers.emplace_back(work);
        work();
    }
    if (failed)
        throw std::runtime_error(failed->second);
}

}  // namespace transvane
