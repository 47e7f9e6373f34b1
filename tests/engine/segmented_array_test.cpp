// The growing array behind the string lists: every element where it was put, across segment
// edges, growth, clearing and release.
#include "engine/segmented_array.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace vestrel {
namespace {

struct TPair {
    uint64_t Index;
    uint64_t Square;
};

TEST(SegmentedArrayTest, ElementsStayWhereTheyArePutThroughGrowthClearAndRelease) {
    TSegmentedArray<TPair> array;
    const TPair* first = nullptr;
    for (int round = 0; round < 3; ++round) {
        const uint64_t count = round == 1 ? 5000 : 300000;  // the second fills only segment 1
        for (uint64_t i = 0; i < count; ++i) {
            array.PushBack({i, i * i});
            if (i == 0 && first == nullptr) first = &array[0];
        }
        ASSERT_EQ(array.Size(), count);
        EXPECT_EQ(&array[0], first) << "growing moved the elements";
        for (uint64_t i : {uint64_t{0}, uint64_t{4095}, uint64_t{4096}, uint64_t{12287},
                           uint64_t{12288}, count - 1})
            EXPECT_EQ(array[i].Index, i);
        for (uint64_t i = 0; i < count; ++i)
            if (array[i].Index != i || array[i].Square != i * i) FAIL() << "element " << i;
        if (round == 0) array.Clear();  // the segments are kept: the first one too
        if (round == 1) {
            array.Release();
            first = nullptr;
        }
    }
}

}  // namespace
}  // namespace vestrel
