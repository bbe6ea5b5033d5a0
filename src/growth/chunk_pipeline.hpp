// The parallel engine shared by the resampling tests. Replicates are done in chunks: every chunk
// first takes its random numbers from the one stream, strictly in chunk order and one chunk at a
// time, then is computed from them on whichever thread is free. So the numbers never depend on
// the thread count. A bounded ring of draw buffers keeps the memory independent of the number of
// replicates.
#pragma once

#include <Eigen/Core>

#include <cstddef>

namespace kelmar {

class ChunkWork {
  public:
    virtual ~ChunkWork() = default;
    // Draws chunk `chunk` into draw buffer `slot`; calls come in chunk order, never two at once.
    virtual void draw(Eigen::Index chunk, std::size_t slot) = 0;
    // Computes chunk `chunk` from buffer `slot`; runs on any thread, several at once.
    virtual void compute(Eigen::Index chunk, std::size_t slot) = 0;
};

// Runs chunks 0 .. chunks − 1 through `slots` draw buffers on `threads` threads (the caller's
// own and pool threads).
void run_chunks(ChunkWork& work, Eigen::Index chunks, Eigen::Index slots, int threads);

// Draw buffers for `chunks` chunks of `slot_bytes` each on `threads` threads: two per thread and
// two more keep every thread busy; large buffers get fewer, so the ring stays within about
// 32 MiB.
Eigen::Index ring_slots(Eigen::Index slot_bytes, Eigen::Index chunks, int threads);

// A value of type T of the calling thread, made on its first use: working arrays a pool thread
// keeps from chunk to chunk and from call to call.
template <typename T>
T& per_thread() {
    thread_local T value;
    return value;
}

// Threads asked for, 0 meaning every core.
int thread_count(int threads);

}  // namespace kelmar
