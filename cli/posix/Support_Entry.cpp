// transvane-cli's entry point on POSIX systems: the arguments are bytes,
// UTF-8 by convention, and pass as they are.
#include "cli/Support_Entry.h"

int main(int argc, char** argv) { return transvane::RunTool(std::vector<std::string>(argv + 1, argv + argc)); }
