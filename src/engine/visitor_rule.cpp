#include "engine/visitor_rule.h"

#include <algorithm>

#include "engine/date_time.h"

namespace vestrel {

namespace {

bool IdleTooLong(double gap) {
    return gap > kVisitGap + kTimeTolerance;
}

}  // namespace

size_t TVisitorRule::SlotOf(int32_t hostKey) const {
    return hostKey >= 0 ? static_cast<size_t>(hostKey)
                        : static_cast<size_t>(hostBuckets_) + static_cast<size_t>(~hostKey);
}

// A visit was closed when some closing after its last hit came more than 30 minutes later; the
// latest closing since then decides.
bool TVisitorRule::Closed(const TVisit& visit) const {
    if (visit.Epoch == closingCount_) return false;  // no closing since its last hit
    auto latest = std::lower_bound(
        closings_.begin(), closings_.end(), visit.Epoch,
        [](const TClosing& closing, uint32_t epoch) { return closing.Index < epoch; });
    return latest != closings_.end() && IdleTooLong(latest->Time - visit.LastSeen);
}

int32_t TVisitorRule::UidFor(int32_t hostKey, double time, int32_t& userCount) {
    const size_t slot = SlotOf(hostKey);
    if (slot >= visits_.size()) visits_.resize(std::max(slot + 1, visits_.size() * 2));
    TVisit& visit = visits_[slot];
    if (visit.Uid < 0 || Closed(visit) || IdleTooLong(time - visit.LastSeen))
        visit.Uid = userCount++;
    visit.LastSeen = time;
    visit.Epoch = closingCount_;
    const int32_t uid = visit.Uid;
    if (userCount % 100 == 0) ExpireUsers(time);
    return uid;
}

void TVisitorRule::ExpireUsers(double time) {
    while (!closings_.empty() && closings_.back().Time <= time) closings_.pop_back();
    closings_.push_back({closingCount_++, time});
}

void TVisitorRule::Clear() {
    visits_.clear();
    closings_.clear();
    closingCount_ = 0;
}

int TVisitorRule::OpenVisits() const {
    int open = 0;
    for (const TVisit& visit : visits_)
        if (visit.Uid >= 0 && !Closed(visit)) ++open;
    return open;
}

}  // namespace vestrel
