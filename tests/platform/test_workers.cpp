// The worker pool: every index of every job runs exactly once, whatever
// the number of threads, and a posted job runs while the caller works.
#include "platform/workers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace
{

struct Tally {
    std::vector<std::atomic<int>> runs;
    explicit Tally(int n) : runs((size_t)n) {}
};

void count_run(void *context, int index)
{
    static_cast<Tally *>(context)->runs[(size_t)index].fetch_add(1);
}

TEST(Workers, EveryIndexRunsOnceOnAnyNumberOfThreads)
{
    for (int threads : {1, 2, 3, 5}) {
        Workers *w = workers_start(threads);
        EXPECT_EQ(workers_threads(w), threads);
        for (int count : {0, 1, 2, 7, 40, 1000}) {
            // Many jobs back to back: a worker late for one job must not
            // take indices of the next.
            Tally tally(count);
            const int jobs = 200;
            for (int j = 0; j < jobs; ++j)
                workers_run(w, count, count_run, &tally);
            for (int i = 0; i < count; ++i)
                ASSERT_EQ(tally.runs[(size_t)i].load(), jobs) << threads << " threads, index " << i << " of " << count;
        }
        workers_stop(w);
    }
}

TEST(Workers, APostedJobIsDoneWhenFinishReturns)
{
    for (int threads : {1, 2}) {
        Workers *w = workers_start(threads);
        for (int j = 0; j < 100; ++j) {
            Tally tally(3);
            workers_post(w, 3, count_run, &tally);
            volatile int busy = 0; // the caller's own work meanwhile
            for (int k = 0; k < 1000; ++k)
                busy = busy + k;
            workers_finish(w);
            for (int i = 0; i < 3; ++i)
                ASSERT_EQ(tally.runs[(size_t)i].load(), 1) << threads << " threads";
        }
        workers_stop(w);
    }
}

TEST(Workers, SleepingWorkersWakeForTheNextJob)
{
    Workers *w = workers_start(2);
    Tally tally(64);
    workers_run(w, 64, count_run, &tally);
    // Long enough for the idle worker to fall asleep.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    workers_run(w, 64, count_run, &tally);
    for (int i = 0; i < 64; ++i)
        EXPECT_EQ(tally.runs[(size_t)i].load(), 2);
    workers_stop(w);
    workers_stop(nullptr);
}

} // namespace
