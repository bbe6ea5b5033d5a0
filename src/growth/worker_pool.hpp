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

    ~WorkerPool();

  private:
    WorkerPool() = default;
    void serve();

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
