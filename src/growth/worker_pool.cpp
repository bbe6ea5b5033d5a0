#include "worker_pool.hpp"

#include <signal.h>

namespace kelmar {

WorkerPool& WorkerPool::instance() {
    static WorkerPool pool;
    return pool;
}

WorkerPool::~WorkerPool() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : threads_)
        t.join();
}

void WorkerPool::serve() {
    std::uint64_t seen = 0;
    std::unique_lock lock(mutex_);
    while (true) {
        wake_.wait(lock, [&] { return stopping_ || (generation_ != seen && taken_ < wanted_); });
        if (stopping_)
            return;
        seen = generation_;
        ++taken_;
        const std::function<void()>* job = job_;
        lock.unlock();
        (*job)();
        lock.lock();
        if (++done_ == wanted_)
            finished_.notify_all();
    }
}

void WorkerPool::add_threads(int helpers, const std::function<void()>& warm_up) {
    if (static_cast<int>(threads_.size()) >= helpers)
        return;
    // Helpers take no signals: an interrupt goes to the thread that asked for the work, which
    // may be holding it back while it writes files.
    sigset_t all;
    sigset_t old;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, &old);
    while (static_cast<int>(threads_.size()) < helpers) {
        threads_.emplace_back([this, warm_up] {
            if (warm_up)
                warm_up();
            serve();
        });
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
}

void WorkerPool::start(int helpers, const std::function<void()>& warm_up) {
    std::lock_guard run_lock(run_mutex_);
    std::lock_guard lock(mutex_);
    add_threads(helpers, warm_up);
}

void WorkerPool::run(int helpers, const std::function<void()>& job) {
    std::lock_guard run_lock(run_mutex_);
    {
        std::lock_guard lock(mutex_);
        add_threads(helpers, {});
        job_ = &job;
        wanted_ = helpers;
        taken_ = 0;
        done_ = 0;
        ++generation_;
    }
    wake_.notify_all();
    job();
    std::unique_lock lock(mutex_);
    finished_.wait(lock, [&] { return done_ == wanted_; });
    job_ = nullptr;
    wanted_ = 0;
}

}  // namespace kelmar
