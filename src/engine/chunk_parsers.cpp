#include "engine/chunk_parsers.h"

#include <algorithm>

#include "engine/line_chunks.h"

namespace vestrel {

namespace {

// A file is cut into at least this many blocks, so that the progress moves in steps, unless
// the blocks would be smaller than kSmallestBlock.
constexpr uint64_t kBlocksOfASmallFile = 4 * kLoadProgressSteps;
constexpr uint64_t kSmallestBlock = 1024;

// Keys of a one-bucket list are ~0, ~1, ... in the order its texts came, so adding its texts in
// that order to `to` gives every text the key the sequential loop would have given it.
void MapKeys(const THashStringList& from, THashStringList& to, std::vector<int32_t>& map) {
    map.resize(from.Count());
    for (size_t i = 0; i < map.size(); ++i) map[i] = to.Add(from.Get(~static_cast<int32_t>(i)));
}

inline int32_t Mapped(const std::vector<int32_t>& map, int32_t key) {
    return key == 0 ? 0 : map[static_cast<size_t>(~key)];
}

}  // namespace

TLogAnalyzer::TLogAnalyzer(const TLogAnalyzer& owner, TChunkParserTag)
    : Hosts(1),
      Urls(1),
      Referrers(1),
      Users(1),
      Agents(1),
      ActiveUsers(1),
      DNSCache(owner.DNSCache),
      DataFolder(owner.DataFolder),
      DefaultPage(owner.DefaultPage),
      TimeZone(owner.TimeZone),
      ExcludeRobots(owner.ExcludeRobots),
      DateSelection(owner.DateSelection),
      FromDay(owner.FromDay),
      ToDay(owner.ToDay),
      Since(owner.Since),
      biasDays_(owner.biasDays_),
      excludeActive_(owner.excludeActive_) {
    GlobalExclude = owner.GlobalExclude;
    if (ExcludeRobots) Robots = owner.Robots;
}

void TLogAnalyzer::ParseChunk(std::string_view block, int format, const TW3CColumns& columns,
                              const std::vector<TFilterData>& filters,
                              const std::atomic<bool>& cancelled) {
    HitCount = 0;
    SkippedLines = ExcludedRobotHits = 0;
    for (THashStringList* list : {&Hosts, &Urls, &Referrers, &Users, &Agents}) list->Clear();
    robotAgents_.Clear();  // its keys are this block's
    ForEachLine(block, [&](std::string_view line) {
        if (cancelled.load(std::memory_order_relaxed)) return false;
        if (AcceptLine(line, format, columns, filters)) ++HitCount;
        return true;
    });
}

void TLogAnalyzer::MergeChunk(const TLogAnalyzer& chunk) {
    MapKeys(chunk.Hosts, Hosts, hostMap_);
    MapKeys(chunk.Users, Users, userMap_);
    MapKeys(chunk.Urls, Urls, urlMap_);
    MapKeys(chunk.Referrers, Referrers, referrerMap_);
    MapKeys(chunk.Agents, Agents, agentMap_);
    SkippedLines += chunk.SkippedLines;
    ExcludedRobotHits += chunk.ExcludedRobotHits;
    for (int32_t i = 0; i < chunk.HitCount; ++i) {
        TLogHit& hit = Hits[HitCount];
        hit = chunk.Hits[i];
        hit.HostKey = Mapped(hostMap_, hit.HostKey);
        hit.UserKey = Mapped(userMap_, hit.UserKey);
        hit.UrlKey = Mapped(urlMap_, hit.UrlKey);
        hit.ReferrerKey = Mapped(referrerMap_, hit.ReferrerKey);
        hit.AgentKey = Mapped(agentMap_, hit.AgentKey);
        StoreHit();
    }
}

void TLogAnalyzer::LoadLinesInParallel(TLineSource& source, int format, const TW3CColumns& columns,
                                       const std::vector<TFilterData>& filters, int threads) {
    TChunkParsers(*this, format, columns, filters, threads).Run(source);
}

TChunkParsers::TChunkParsers(TLogAnalyzer& owner, int format, const TW3CColumns& columns,
                             const std::vector<TFilterData>& filters, int threads)
    : owner_(owner), format_(format), columns_(columns), filters_(filters) {
    // Two blocks a worker keep every worker busy while the loading thread merges.
    slots_.resize(static_cast<size_t>(threads) * 2);
    for (TSlot& slot : slots_)
        slot.Parser.reset(new TLogAnalyzer(owner, TLogAnalyzer::TChunkParserTag{}));
    workers_.reserve(static_cast<size_t>(threads));
    try {
        for (int i = 0; i < threads; ++i) workers_.emplace_back([this] { Work(); });
    } catch (...) {
        StopWorkers();  // the threads started before one could not be
        throw;
    }
}

TChunkParsers::~TChunkParsers() {
    StopWorkers();
}

void TChunkParsers::StopWorkers() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    blockReady_.notify_all();
    for (std::thread& worker : workers_) worker.join();
    workers_.clear();
}

void TChunkParsers::Work() {
    for (;;) {
        uint64_t sequence;
        {
            std::unique_lock lock(mutex_);
            blockReady_.wait(lock, [this] { return stopping_ || taken_ < filled_; });
            if (stopping_) return;
            sequence = taken_++;
        }
        TSlot& slot = SlotOf(sequence);
        try {
            slot.Parser->ParseChunk(slot.Block, format_, columns_, filters_, owner_.Cancelled);
        } catch (...) {
            slot.Failure = std::current_exception();
        }
        {
            std::lock_guard lock(mutex_);
            slot.Parsed = true;
        }
        blockParsed_.notify_all();
    }
}

void TChunkParsers::WaitParsed(TSlot& slot) {
    std::unique_lock lock(mutex_);
    blockParsed_.wait(lock, [&slot] { return slot.Parsed; });
    slot.Parsed = false;
}

void TChunkParsers::Run(TLineSource& source) {
    TProgressSteps progress(source.Size());
    const uint64_t blockBytes = std::min<uint64_t>(
        std::max(source.Size() / kBlocksOfASmallFile, kSmallestBlock), owner_.LoadChunkBytes);
    TChunkReader reader(source, static_cast<size_t>(blockBytes));
    bool moreToRead = true;
    for (uint64_t merged = 0;; ++merged) {
        while (moreToRead && filled_ - merged < slots_.size()) {
            TSlot& slot = SlotOf(filled_);
            moreToRead = reader.Next(slot.Block, slot.EndOffset);
            if (!moreToRead) break;
            {
                std::lock_guard lock(mutex_);
                ++filled_;
            }
            blockReady_.notify_one();
        }
        if (merged == filled_) return;
        TSlot& slot = SlotOf(merged);
        WaitParsed(slot);
        if (owner_.Cancelled.load()) return;
        if (slot.Failure) std::rethrow_exception(slot.Failure);
        owner_.MergeChunk(*slot.Parser);
        if (progress.Passed(slot.EndOffset)) owner_.ShowProgress(progress.Position());
    }
}

}  // namespace vestrel
