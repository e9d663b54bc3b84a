#include "format/core/Support_Memory.h"

#include <gtest/gtest.h>

namespace {

TEST(TunablesWithHugePages, AddsTheSettingOnceAndKeepsTheUsersChoice) {
    struct Case {
        const char* current;  // nullptr: unset
        const char* expected;
    };
    const Case cases[] = {
        {nullptr, "glibc.malloc.hugetlb=1"},
        {"", "glibc.malloc.hugetlb=1"},
        {"glibc.malloc.arena_max=2", "glibc.malloc.arena_max=2:glibc.malloc.hugetlb=1"},
        // Set already (by an earlier restart or by the user): left alone.
        {"glibc.malloc.hugetlb=1", ""},
        {"glibc.malloc.hugetlb=0", ""},
        {"glibc.malloc.arena_max=2:glibc.malloc.hugetlb=2", ""},
        // A longer name that merely starts alike is another tunable.
        {"glibc.malloc.hugetlbx=1", "glibc.malloc.hugetlbx=1:glibc.malloc.hugetlb=1"},
        {"xglibc.malloc.hugetlb=0", "xglibc.malloc.hugetlb=0:glibc.malloc.hugetlb=1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TunablesWithHugePages(c.current), c.expected) << (c.current ? c.current : "(unset)");
}

TEST(HugePagesOnlyWhenAsked, ReadsTheSelectedMode) {
    EXPECT_TRUE(HugePagesOnlyWhenAsked("always [madvise] never\n"));
    EXPECT_FALSE(HugePagesOnlyWhenAsked("[always] madvise never\n"));
    EXPECT_FALSE(HugePagesOnlyWhenAsked("always madvise [never]\n"));
    EXPECT_FALSE(HugePagesOnlyWhenAsked(""));  // no such setting (another system)
}

}  // namespace
