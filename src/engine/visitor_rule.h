// The visitor rule: the hits of one host belong to one visitor while no gap between consecutive
// hits (in reading order) exceeds 30 minutes. Open visits are closed every time the visitor count
// reaches a multiple of 100 (those idle for more than 30 minutes at that hit's time) and at the
// start of each file. Each host's open visit is found directly by its key; closings are recorded
// as a history of times, so a visit's state is settled when its host is next seen, with exactly
// the result that removing idle visits at each closing would give.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vestrel {

constexpr double kVisitGap = 1.0 / 48;  // 30 minutes, inclusive
constexpr double kCloseAllVisits = 10000000.0;

class TVisitorRule {
  public:
    // `hostBuckets` is the bucket count of the host list, so that every host key maps to a slot.
    explicit TVisitorRule(int hostBuckets) : hostBuckets_(hostBuckets) {}

    // The visitor number of a hit; new numbers are handed out from `userCount`.
    int32_t UidFor(int32_t hostKey, double time, int32_t& userCount);
    // Closes every visit idle for more than 30 minutes at `time`.
    void ExpireUsers(double time);
    void Clear();
    // Number of visits still open (for inspection; walks every host).
    int OpenVisits() const;

  private:
    struct TVisit {
        double LastSeen = 0;
        int32_t Uid = -1;    // -1: no visit
        uint32_t Epoch = 0;  // closings recorded before the visit's last hit
    };
    struct TClosing {
        uint32_t Index;
        double Time;
    };

    bool Closed(const TVisit& visit) const;
    size_t SlotOf(int32_t hostKey) const;

    int hostBuckets_;
    std::vector<TVisit> visits_;
    // Closings with a later time than every closing after them (the suffix maxima), by index.
    std::vector<TClosing> closings_;
    uint32_t closingCount_ = 0;
};

}  // namespace vestrel
