#include "format/core/Support_Memory.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <unistd.h>

#if defined(__linux__)
#include <sys/auxv.h>
#endif

namespace {

constexpr const char* TunablesVariable = "GLIBC_TUNABLES";
constexpr const char* HugePageTunable = "glibc.malloc.hugetlb";

std::string ReadSetting(const char* path) {
    std::ifstream file(path);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace

std::string TunablesWithHugePages(const char* current) {
    const std::string value = current != nullptr ? current : "";
    // Tunables are name=value pairs separated by colons.
    std::size_t start = 0;
    while (start <= value.size()) {
        const std::size_t end = std::min(value.find(':', start), value.size());
        const std::string pair = value.substr(start, end - start);
        if (pair.rfind(std::string(HugePageTunable) + "=", 0) == 0)
            return {};
        start = end + 1;
    }
    return value.empty() ? std::string(HugePageTunable) + "=1" : value + ":" + HugePageTunable + "=1";
}

bool HugePagesOnlyWhenAsked(const std::string& setting) {
    // The kernel brackets the selected mode: "always [madvise] never".
    return setting.find("[madvise]") != std::string::npos;
}

void PreferHugePages(char** argv) {
#if defined(__linux__) && defined(__GLIBC__)
    // The C library ignores tunables in privileged processes anyway.
    if (getauxval(AT_SECURE) != 0 || argv == nullptr || argv[0] == nullptr)
        return;
    if (!HugePagesOnlyWhenAsked(ReadSetting("/sys/kernel/mm/transparent_hugepage/enabled")))
        return;
    const std::string tunables = TunablesWithHugePages(std::getenv(TunablesVariable));
    if (tunables.empty())
        return;  // already restarted, or the user decided
    if (::setenv(TunablesVariable, tunables.c_str(), 1) != 0)
        return;
    ::execv("/proc/self/exe", argv);
    // Still here: the restart failed (no /proc, say).  Ordinary pages do.
#else
    (void)argv;
#endif
}
