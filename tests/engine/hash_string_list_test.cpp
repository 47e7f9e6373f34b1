#include "engine/hash_string_list.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "engine/text_util.h"

namespace vestrel {
namespace {

constexpr int kBuckets = 25;

int BucketOf(std::string_view text) {
    return StrHash(text) % kBuckets;
}

// The first `count` texts "t<n>" that fall into `bucket` of a 25-bucket list.
std::vector<std::string> TextsInBucket(int bucket, size_t count) {
    std::vector<std::string> texts;
    for (int n = 0; texts.size() < count; ++n)
        if (BucketOf("t" + std::to_string(n)) == bucket) texts.push_back("t" + std::to_string(n));
    return texts;
}

TEST(StrHashTest, RotatesLeftFiveAndXorsTheLowByte) {
    EXPECT_EQ(StrHash("a"), 97);
    EXPECT_EQ(StrHash("ab"), 3138);
    EXPECT_EQ(StrHash("abc"), 34850);
    EXPECT_EQ(StrHash("\xff"), 255);  // bytes are unsigned

    // Every length around the eight- and sixteen-byte steps, and random bytes of all values,
    // against the byte-by-byte definition.
    std::mt19937 random(17);
    for (size_t length = 0; length < 80; ++length)
        for (int trial = 0; trial < 20; ++trial) {
            std::string text(length, '\0');
            for (char& c : text) c = static_cast<char>(random());
            uint16_t expected = 0;
            for (unsigned char b : text)
                expected = static_cast<uint16_t>(((expected << 5) | (expected >> 11)) ^ b);
            ASSERT_EQ(StrHash(text), expected) << "length " << length;
        }
}

TEST(SubStrPosTest, PositionEqualityAndEmptyPatterns) {
    EXPECT_EQ(SubStrPos("b", "abc"), 2);
    EXPECT_EQ(SubStrPos("abc", "xxabc"), 3);
    EXPECT_EQ(SubStrPos("B", "abc"), -1);     // case-sensitive
    EXPECT_EQ(SubStrPos("abc", "abc"), 1);    // equal
    EXPECT_EQ(SubStrPos("abd", "abc"), -1);   // same length, different
    EXPECT_EQ(SubStrPos("abcd", "abc"), -1);  // longer pattern
    EXPECT_EQ(SubStrPos("", "abc"), -1);      // empty pattern
    EXPECT_EQ(SubStrPos("", ""), 1);
    EXPECT_EQ(SubStrPos(std::string_view("\0", 1), std::string_view("a\0b", 3)), 2);
    EXPECT_TRUE(Contains(".", "."));
}

TEST(HashStringListTest, FirstTextTakesTheBucketLaterOnesOverflowInOrder) {
    const std::vector<std::string> same = TextsInBucket(7, 3);
    const std::vector<std::string> nine = TextsInBucket(9, 2);
    THashStringList list(kBuckets);
    EXPECT_EQ(list.Add(""), 0);
    EXPECT_EQ(list.Get(0), "");
    EXPECT_EQ(list.Add(same[0]), 7);
    EXPECT_EQ(list.Add(same[1]), -1);
    EXPECT_EQ(list.Add(same[2]), -2);
    EXPECT_EQ(list.Add(same[1]), -1);
    EXPECT_EQ(list.Add(same[0]), 7);
    EXPECT_EQ(list.Add(nine[0]), 9);
    EXPECT_EQ(list.Add(nine[1]), -3);  // one overflow list for every bucket
    EXPECT_EQ(list.Get(-2), same[2]);
    EXPECT_EQ(list.Get(-3), nine[1]);
    EXPECT_EQ(list.Count(), 5u);
    // Empty slots and keys beyond either end read as the empty text.
    EXPECT_EQ(list.Get(3), "");
    EXPECT_EQ(list.Get(kBuckets), "");
    EXPECT_EQ(list.Get(-4), "");
}

TEST(HashStringListTest, BucketZeroTextsGetNonZeroNegativeKeys) {
    const std::vector<std::string> zero = TextsInBucket(0, 2);
    THashStringList list(kBuckets);
    EXPECT_EQ(list.Add(zero[0]), -1);
    EXPECT_EQ(list.Add(zero[1]), -2);
    EXPECT_EQ(list.Add(zero[0]), -1);
    EXPECT_EQ(list.Get(-1), zero[0]);
    EXPECT_EQ(list.Get(-2), zero[1]);
}

TEST(HashStringListTest, TextAndALongerTextBeginningWithItInOneBucket) {
    std::string shortText, longText;
    for (int n = 0; shortText.empty(); ++n) {
        const std::string base = "/p" + std::to_string(n);
        for (char c = 'a'; c <= 'z' && shortText.empty(); ++c)
            if (BucketOf(base) != 0 && BucketOf(base + c) == BucketOf(base)) {
                shortText = base;
                longText = base + c;
            }
    }
    THashStringList list(kBuckets);
    const int32_t longKey = list.Add(longText);
    const int32_t shortKey = list.Add(shortText);
    EXPECT_EQ(longKey, BucketOf(longText));
    EXPECT_EQ(shortKey, -1);
    EXPECT_EQ(list.Get(longKey), longText);
    EXPECT_EQ(list.Get(shortKey), shortText);
    EXPECT_EQ(list.Add(shortText), shortKey);
    EXPECT_EQ(list.Add(longText), longKey);
}

TEST(HashStringListTest, PutReplacesTheTextBehindAKey) {
    const std::vector<std::string> seven = TextsInBucket(7, 2);
    const std::string elsewhere = TextsInBucket(11, 1)[0];
    THashStringList list(kBuckets);
    ASSERT_EQ(list.Add(seven[0]), 7);
    ASSERT_EQ(list.Add(seven[1]), -1);

    list.Put(7, elsewhere);
    EXPECT_EQ(list.Get(7), elsewhere);
    // The old text is no longer behind the key; the new one is filed under the old bucket, so
    // its own bucket does not know it.
    const int32_t oldAgain = list.Add(seven[0]);
    EXPECT_NE(oldAgain, 7);
    EXPECT_EQ(list.Get(oldAgain), seven[0]);
    EXPECT_EQ(list.Add(elsewhere), 11);

    list.Put(-1, "renamed.example.com");
    EXPECT_EQ(list.Get(-1), "renamed.example.com");
    EXPECT_NE(list.Add(seven[1]), -1);
    EXPECT_EQ(list.Get(-1), "renamed.example.com");
    EXPECT_EQ(list.Get(oldAgain), seven[0]);
}

TEST(HashStringListTest, ClearForgetsEveryText) {
    const std::vector<std::string> same = TextsInBucket(3, 2);
    THashStringList list(kBuckets);
    list.Add(same[0]);
    list.Add(same[1]);
    list.Add(std::string(300000, 'L'));  // too big for the shared storage blocks
    list.Clear();
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_EQ(list.Get(3), "");
    EXPECT_EQ(list.Get(-1), "");
    // Added in the other order, the second text now takes the slot.
    EXPECT_EQ(list.Add(same[1]), 3);
    EXPECT_EQ(list.Add(same[0]), -1);
    const std::string big(300000, 'B');
    EXPECT_EQ(list.Get(list.Add(big)), big);
}

TEST(HashStringListTest, ManyTextsInFewBucketsKeepTheirKeys) {
    constexpr int kTexts = 200000;
    THashStringList list(kBuckets);
    std::vector<int32_t> keys(kTexts);
    std::vector<bool> slotTaken(kBuckets, false);
    int32_t nextOverflow = -1;
    auto textOf = [](int i) { return "/path/" + std::to_string(i * 7919) + ".htm"; };
    for (int i = 0; i < kTexts; ++i) {
        const std::string text = textOf(i);
        keys[i] = list.Add(text);
        // The key a plain bucket-then-overflow scan hands out.
        const int bucket = BucketOf(text);
        const bool slot = bucket != 0 && !slotTaken[bucket];
        if (slot) slotTaken[bucket] = true;
        ASSERT_EQ(keys[i], slot ? bucket : nextOverflow--) << text;
    }
    EXPECT_EQ(list.Count(), static_cast<size_t>(kTexts));
    EXPECT_EQ(std::set<int32_t>(keys.begin(), keys.end()).size(), static_cast<size_t>(kTexts));
    for (int i = 0; i < kTexts; ++i) {
        ASSERT_EQ(list.Get(keys[i]), textOf(i));
        ASSERT_EQ(list.Add(textOf(i)), keys[i]);
    }
}

}  // namespace
}  // namespace vestrel
