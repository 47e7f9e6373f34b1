// Parallel loading of one log file: the loading thread cuts the file into blocks of whole lines
// (TChunkReader), worker threads parse the blocks into chunk parsers of their own, and the loading
// thread merges the parsed blocks in file order, interning their texts and forming visitors as
// the sequential loop does. The hits, keys, visitor numbers and totals are therefore the same as
// with one thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/log_analyzer.h"

namespace vestrel {

class TChunkParsers {
  public:
    TChunkParsers(TLogAnalyzer& owner, int format, const TW3CColumns& columns,
                  const std::vector<TFilterData>& filters, int threads);
    // Stops and joins the workers, also when the loading ends by an error.
    ~TChunkParsers();
    TChunkParsers(const TChunkParsers&) = delete;
    TChunkParsers& operator=(const TChunkParsers&) = delete;

    // Reads, parses and merges every block; ends early on Cancel. A failure in a worker is raised
    // here once the blocks before it are merged.
    void Run(TLineSource& source);

  private:
    struct TSlot {
        std::string Block;
        uint64_t EndOffset = 0;
        std::unique_ptr<TLogAnalyzer> Parser;
        bool Parsed = false;
        std::exception_ptr Failure;
    };

    void Work();
    void StopWorkers();
    TSlot& SlotOf(uint64_t sequence) { return slots_[sequence % slots_.size()]; }
    void WaitParsed(TSlot& slot);

    TLogAnalyzer& owner_;
    int format_;
    const TW3CColumns& columns_;
    const std::vector<TFilterData>& filters_;
    std::vector<TSlot> slots_;
    std::vector<std::thread> workers_;

    std::mutex mutex_;
    std::condition_variable blockReady_, blockParsed_;
    uint64_t filled_ = 0;  // blocks handed to the workers so far
    uint64_t taken_ = 0;   // blocks a worker has started on
    bool stopping_ = false;
};

}  // namespace vestrel
