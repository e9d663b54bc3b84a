// outside SOURCE TARGET: what SOURCE holds, then SOURCE converted to
// TARGET, through nothing but the installed header and library.
#include <transvane/transvane.h>

#include <cstdio>
#include <string_view>

int main(int argc, char** argv) {
    if (argc != 3)
        return 2;
    if (std::string_view(transvane::Version()) != TRANSVANE_VERSION_STRING) {
        std::fprintf(stderr, "library %s, header %s\n", transvane::Version(), TRANSVANE_VERSION_STRING);
        return 2;
    }
    const transvane::CInspection inspection = transvane::Inspect(argv[1]);
    std::printf("version %d\n", inspection.Version);
    for (const transvane::CResourceCount& count : inspection.Counts)
        std::printf("%s: %lld\n", count.Kind.c_str(), static_cast<long long>(count.Count));
    const transvane::CResult result = transvane::ConvertFile(argv[1], argv[2]);
    for (const transvane::CMessage& message : result.Messages)
        std::printf("message: %s\n", message.Text.c_str());
    return result.Ok() ? 0 : 1;
}
