#include "engine/hit_store.h"

#include <gtest/gtest.h>

namespace vestrel {
namespace {

void Fill(THitStore& store, size_t from, size_t to) {
    for (size_t i = from; i < to; ++i) {
        store[i] = {};
        store[i].HostKey = static_cast<int32_t>(i);
        store[i].Time = static_cast<double>(i) / 3;
    }
}

::testing::AssertionResult Holds(const THitStore& store, size_t count) {
    for (size_t i = 0; i < count; ++i)
        if (store[i].HostKey != static_cast<int32_t>(i) ||
            store[i].Time != static_cast<double>(i) / 3)
            return ::testing::AssertionFailure() << "record " << i << " changed";
    return ::testing::AssertionSuccess();
}

// Reserved room, a store past its reservation, and one with none at all keep their records
// through growing, huge-page advice, trimming and growing again.
TEST(HitStoreTest, RecordsSurviveGrowthTrimAndRegrowth) {
    for (size_t reserved : {kMaxStoredHits, size_t{30000}, size_t{0}}) {
        THitStore store(reserved);
        size_t count = 0;
        for (size_t step : {1000, 50000, 200000}) {
            store.Reserve(count + step);
            ASSERT_GE(store.Capacity(), count + step);
            Fill(store, count, count + step);
            count += step;
            store.ExpectRecords(count * 2);
        }
        ASSERT_TRUE(Holds(store, count)) << "reserved " << reserved;
        store.Trim(123457);
        EXPECT_EQ(store.Capacity(), 123457u);
        store.Reserve(300000);
        Fill(store, 123457, 300000);
        EXPECT_TRUE(Holds(store, 300000)) << "reserved " << reserved;
        store.Release();
        EXPECT_EQ(store.Capacity(), 0u);
        store.Reserve(10);
        Fill(store, 0, 10);
        EXPECT_TRUE(Holds(store, 10));
    }
}

}  // namespace
}  // namespace vestrel
