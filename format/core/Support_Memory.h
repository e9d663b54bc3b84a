// How the converter's processes ask the system for memory.
//
// A conversion builds the whole project in memory: a large project means
// hundreds of megabytes in hundreds of thousands of small records, plus the
// input file and the output file.  With ordinary 4 KiB pages every fresh
// page of that costs a page fault, and on many machines (virtual ones most
// of all) those faults take longer than the conversion's own work.
//
// Linux can back memory with 2 MiB pages instead, but where its setting is
// "madvise" it does so only for memory a program marks.  The C library's
// allocator marks its memory when the tunable glibc.malloc.hugetlb=1 is
// set, and it reads tunables only when a program starts.  So a program
// that wants it restarts itself once, at the top of main, with the tunable
// added to its environment.
#pragma once

#include <string>

// Restarts the running program (argv as main received it) with the
// allocator's huge-page tunable set, when the system gives huge pages only
// to marked memory and the tunable is not set yet.  Returns without doing
// anything when huge pages are always or never used, when the user chose a
// value of the tunable, in a privileged (set-user-id) process, or when the
// restart fails: the program then runs on with ordinary pages.
void PreferHugePages(char** argv);

// The tunables value for the allocator's huge-page setting, given the
// current GLIBC_TUNABLES value (nullptr when unset): the current value with
// ":glibc.malloc.hugetlb=1" added, or an empty string when the current
// value already sets glibc.malloc.hugetlb (the user's choice stands).
std::string TunablesWithHugePages(const char* current);

// True when the system's transparent huge page setting (the text of
// /sys/kernel/mm/transparent_hugepage/enabled) selects "madvise".
bool HugePagesOnlyWhenAsked(const std::string& setting);
