// Parallel loading of one log file. Worker threads read the file's blocks of whole lines
// (TFileBlocks) and parse each into a chunk parser of its own; the loading thread takes the
// parsed blocks in file order, interns their texts and forms visitors as the sequential loop
// does; a worker then copies the block's hits into the hit store under their final keys. The
// hits, keys, visitor numbers and totals are therefore the same as with one thread.
#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "engine/line_chunks.h"
#include "engine/log_analyzer.h"

namespace vestrel {

// What the loading thread learnt of one parsed block: the final key of each of its texts, per
// string list (hosts, users, paths, referrers, agents), and where its hits go in the store.
struct TChunkKeys {
    std::array<std::vector<int32_t>, 5> Keys;
    std::array<std::vector<uint32_t>, 5> Hashes;  // the texts' index hashes, from the worker
    size_t Destination = 0;
};

class TChunkParsers {
  public:
    TChunkParsers(TLogAnalyzer& owner, int format, const TW3CColumns& columns,
                  const std::vector<TFilterData>& filters, int threads);
    // Lets the copies under way finish, then stops and joins the workers, also when the
    // loading ends by an error.
    ~TChunkParsers();
    TChunkParsers(const TChunkParsers&) = delete;
    TChunkParsers& operator=(const TChunkParsers&) = delete;

    // Reads, parses and stores every block; ends early on Cancel. A failure in a worker is
    // raised here once the blocks before it are stored.
    void Run(const TLineSource& source);

  private:
    enum class TState { Free, Parsing, Parsed, Copying };
    struct TSlot {
        uint64_t Number = 0;
        TFileBlock Block;
        std::unique_ptr<TLogAnalyzer> Parser;
        TChunkKeys Keys;
        TState State = TState::Free;
        std::exception_ptr Failure;
    };

    void Work();
    void Parse(TSlot& slot);
    void StopWorkers();
    TSlot& SlotOf(uint64_t number) { return slots_[number % slots_.size()]; }
    void HandOut(uint64_t number);
    void WaitFor(TSlot& slot, TState state);
    void WaitForCopies();
    void Store(TSlot& slot);

    TLogAnalyzer& owner_;
    int format_;
    const TW3CColumns& columns_;
    const std::vector<TFilterData>& filters_;
    std::optional<TFileBlocks> blocks_;  // the file being read, from Run on
    std::vector<TSlot> slots_;
    std::vector<std::thread> workers_;

    std::mutex mutex_;
    std::condition_variable workReady_, slotChanged_;
    std::deque<TSlot*> toParse_, toCopy_;
    size_t copying_ = 0;  // slots queued or being copied
    bool stopping_ = false;
};

}  // namespace vestrel
