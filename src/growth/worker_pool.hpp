// Worker threads kept for the life of the process, so that repeated bootstraps pay no thread
// start-up and their threads keep their buffers warm. Runs of the pool do not overlap.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace kelmar {

class WorkerPool {
  public:
    static WorkerPool& instance();

    // Runs `job` on `helpers` pool threads and on the calling thread; returns when all are done.
    // `job` must not throw.
    void run(int helpers, const std::function<void()>& job);

    // Starts `helpers` pool threads now, without waiting for them, so that their start-up
    // overlaps other work. Each first runs `warm_up` (which must not throw) on its own.
    void start(int helpers, const std::function<void()>& warm_up);

    ~WorkerPool();

  private:
    WorkerPool() = default;
    void serve();
    void add_threads(int helpers, const std::function<void()>& warm_up);

    std::mutex run_mutex_;  // one run at a time
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable finished_;
    std::vector<std::thread> threads_;
    const std::function<void()>* job_ = nullptr;
    int wanted_ = 0;
    int taken_ = 0;
    int done_ = 0;
    std::uint64_t generation_ = 0;
    bool stopping_ = false;
};

}  // namespace kelmar
