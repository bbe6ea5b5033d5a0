#include "growth/worker_pool.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <set>

namespace kelmar {
namespace {

TEST(WorkerPool, EveryRunUsesTheCallerAndTheAskedHelpersOnce) {
    WorkerPool& pool = WorkerPool::instance();
    for (int helpers : {0, 1, 3, 1, 2}) {
        std::atomic<int> runs{0};
        std::mutex m;
        std::set<std::thread::id> ids;
        pool.run(helpers, [&] {
            ++runs;
            std::lock_guard lock(m);
            ids.insert(std::this_thread::get_id());
        });
        EXPECT_EQ(runs.load(), helpers + 1) << helpers << " helpers";
        EXPECT_EQ(ids.size(), static_cast<std::size_t>(helpers + 1));
        EXPECT_TRUE(ids.count(std::this_thread::get_id()));
    }
}

}  // namespace
}  // namespace kelmar
