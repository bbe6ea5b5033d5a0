#include "chunk_pipeline.hpp"

#include "worker_pool.hpp"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace kelmar {
namespace {

// Every thread runs the same loop: draw the next chunk when the stream is free and a buffer is
// free, otherwise compute the oldest chunk drawn and not yet taken.
class Pipeline {
  public:
    Pipeline(ChunkWork& work, Eigen::Index chunks, Eigen::Index slots)
        : work_(work), chunks_(chunks), slots_(slots), free_for_(static_cast<std::size_t>(slots)) {
        for (Eigen::Index i = 0; i < slots_; ++i)
            free_for_[static_cast<std::size_t>(i)].store(i);
    }

    void work() {
        while (true) {
            if (try_draw())
                continue;
            Eigen::Index c = next_to_compute_.load();
            if (c >= chunks_)
                return;
            if (c < drawn_.load(std::memory_order_acquire)) {
                if (next_to_compute_.compare_exchange_weak(c, c + 1)) {
                    const auto slot = static_cast<std::size_t>(c % slots_);
                    work_.compute(c, slot);
                    free_for_[slot].store(c + slots_, std::memory_order_release);
                }
                continue;
            }
            // The next chunk is being drawn, or its buffer is still being computed.
            std::this_thread::yield();
        }
    }

  private:
    bool try_draw() {
        std::unique_lock lock(draw_mutex_, std::try_to_lock);
        if (!lock.owns_lock())
            return false;
        const Eigen::Index c = next_to_draw_;
        const auto slot = static_cast<std::size_t>(c % slots_);
        if (c >= chunks_ || free_for_[slot].load(std::memory_order_acquire) != c)
            return false;
        work_.draw(c, slot);
        next_to_draw_ = c + 1;
        drawn_.store(c + 1, std::memory_order_release);
        return true;
    }

    ChunkWork& work_;
    const Eigen::Index chunks_;
    const Eigen::Index slots_;
    std::vector<std::atomic<Eigen::Index>> free_for_;  // the chunk that may use each buffer next
    std::mutex draw_mutex_;
    Eigen::Index next_to_draw_ = 0;  // guarded by draw_mutex_
    std::atomic<Eigen::Index> drawn_{0};
    std::atomic<Eigen::Index> next_to_compute_{0};
};

}  // namespace

void run_chunks(ChunkWork& work, Eigen::Index chunks, Eigen::Index slots, int threads) {
    if (chunks < 1)
        return;
    Pipeline pipeline(work, chunks, std::max<Eigen::Index>(slots, 1));
    if (threads <= 1) {
        pipeline.work();
        return;
    }
    WorkerPool::instance().run(threads - 1, [&pipeline] { pipeline.work(); });
}

Eigen::Index ring_slots(Eigen::Index slot_bytes, Eigen::Index chunks, int threads) {
    const Eigen::Index within_budget =
        (Eigen::Index{32} << 20) / std::max<Eigen::Index>(slot_bytes, 1);
    const Eigen::Index wanted =
        std::min<Eigen::Index>(2 * threads + 2, std::max<Eigen::Index>(threads + 1, within_budget));
    return std::min(chunks, wanted);
}

int thread_count(int threads) {
    return threads > 0 ? threads
                       : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

}  // namespace kelmar
