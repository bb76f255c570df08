#include "scanvector.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

namespace {

std::vector<int> contents(const ScanVector<int> &v)
{
    return {v.begin(), v.end()};
}

// An old scan of `total` items; the rescan goes back to `keep`, writes `written` new items
// (numbered from 1000) and takes the old ones back from `from` on, shifted by 100000. The result
// must be what a plain vector would hold, whatever the sizes: fewer new items than replaced
// (moving down), more (moving up, through the items saved before they were overwritten), more
// than one save chunk, past the old end, and going back part of the way (a second edit) before
// the splice.
TEST(ScanVector, OldResultsSurviveTheRescanAndSpliceBackInPlace)
{
    struct Case {
        size_t total, keep, written, from;
        size_t kept = size_t(-1); // new items left after going back, if the rescan went back
    };
    const Case cases[] = {
        {50, 10, 0, 10},       {50, 10, 3, 20},       {50, 10, 30, 20},       {50, 10, 10, 10},
        {2000, 100, 700, 300}, {2000, 100, 40, 1200}, {2000, 0, 2500, 2000},  {2000, 1999, 5, 2000},
        {50, 10, 60, 20, 15},  {2000, 100, 900, 1500, 600},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.total << " " << c.keep << " " << c.written << " " << c.from);
        ScanVector<int> v;
        std::vector<int> old(c.total);
        std::iota(old.begin(), old.end(), 0);
        for (int x : old)
            v.push_back(x);
        v.markOld(c.keep);
        v.resize(c.keep);
        for (size_t i = 0; i < c.written; ++i)
            v.push_back(int(1000 + i));
        const size_t written = std::min(c.written, c.kept);
        v.resize(c.keep + written);
        for (size_t i = c.keep; i < c.total; ++i)
            ASSERT_EQ(v.old(i), int(i)) << "old item " << i;

        std::vector<int> expected(old.begin(), old.begin() + std::ptrdiff_t(c.keep));
        for (size_t i = 0; i < written; ++i)
            expected.push_back(int(1000 + i));
        for (size_t i = c.from; i < c.total; ++i)
            expected.push_back(int(i) + 100000);
        v.spliceOld(c.from, [](int x) { return x + 100000; });
        EXPECT_EQ(contents(v), expected);
        EXPECT_FALSE(v.hasOld());
        v.push_back(7);
        EXPECT_EQ(v.back(), 7);
        EXPECT_EQ(v.size(), expected.size() + 1);
    }
}

// A second rescan from further back before the first one caught up, then giving up on the old
// results: nothing of them may remain.
TEST(ScanVector, RescanFromFurtherBackThenDropOld)
{
    ScanVector<int> v;
    for (int i = 0; i < 600; ++i)
        v.push_back(i);
    v.markOld(300);
    v.resize(300);
    for (int i = 0; i < 280; ++i)
        v.push_back(-i);
    v.resize(100); // the second edit lies before the first
    for (int i = 0; i < 400; ++i)
        v.push_back(5000 + i);
    for (size_t i = 300; i < 600; ++i)
        ASSERT_EQ(v.old(i), int(i));
    v.dropOld();
    ASSERT_EQ(v.size(), 500u);
    EXPECT_EQ(v[99], 99);
    EXPECT_EQ(v[100], 5000);
    EXPECT_EQ(v.back(), 5399);
    v.push_back(1);
    EXPECT_EQ(v.size(), 501u);
}

} // namespace
