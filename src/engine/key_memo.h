// Answers kept per interned key of a string list, for answers that depend only on the key's text.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/hash_string_list.h"

namespace vestrel {

// One value per interned key of a string list, for answers that depend only on the key's text.
// Keys above 0 are bucket slots and keys below 0 overflow entries, so one array holds them all.
template <typename T>
class TKeyMemo {
  public:
    TKeyMemo(const THashStringList& list, T unset)
        : buckets_(static_cast<size_t>(list.BucketCount())),
          values_(buckets_ + list.Count(), unset) {}
    T& operator[](int32_t key) { return values_[Index(key)]; }
    const T& operator[](int32_t key) const { return values_[Index(key)]; }

  private:
    size_t Index(int32_t key) const { return key >= 0 ? key : buckets_ + ~key; }

    size_t buckets_;
    std::vector<T> values_;
};

// One value per key of a string list that still grows: room is made as keys arrive.
template <typename T>
class TGrowingKeyMemo {
  public:
    explicit TGrowingKeyMemo(T unset) : unset_(unset) {}
    T& operator[](int32_t key) {
        std::vector<T>& values = key >= 0 ? slots_ : overflow_;
        const size_t index = key >= 0 ? static_cast<size_t>(key) : static_cast<size_t>(~key);
        if (index >= values.size()) values.resize(std::max(index + 1, values.size() * 2), unset_);
        return values[index];
    }
    void Clear() {
        slots_.clear();
        overflow_.clear();
    }

  private:
    T unset_;
    std::vector<T> slots_, overflow_;  // keys above 0 are bucket slots, below 0 overflow entries
};

// visit(key, text) for every key of the list, in the order the texts were stored: reading them in
// the hits' order instead jumps through memory and costs several times as much on large stores.
template <typename Visit>
void ForEveryKey(const THashStringList& list, Visit visit) {
    // Slot 0 is key 0, the empty text.
    for (int32_t slot = 0; slot < list.BucketCount(); ++slot) visit(slot, list.Get(slot));
    // Overflow keys are ~0, ~1, ...; there are fewer of them than texts.
    for (int32_t entry = 0; entry < static_cast<int32_t>(list.Count()); ++entry)
        visit(~entry, list.Get(~entry));
}

// answerOf(text) for every key of the list. Keys that no hit holds get an answer too, which nobody
// reads.
template <typename T, typename AnswerOf>
TKeyMemo<T> AnswerEveryKey(const THashStringList& list, AnswerOf answerOf) {
    TKeyMemo<T> answers(list, T{});
    ForEveryKey(list, [&](int32_t key, std::string_view text) { answers[key] = answerOf(text); });
    return answers;
}

}  // namespace vestrel
