// The worker pool: a job is published by bumping a generation counter;
// workers take indices from a shared counter that carries the generation
// beside the index, so a worker still looking at an old job can never take
// an index of a new one.
#include "platform/workers.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

struct Workers {
    std::vector<std::thread> threads;
    std::mutex mutex;
    std::condition_variable wake;
    std::atomic<unsigned> generation{0};
    std::atomic<bool> stopping{false};
    std::atomic<int> sleeping{0};
    // The job being run, its index count, and the next index to take with
    // the job's generation in the high 32 bits.
    std::atomic<void (*)(void *, int)> job{nullptr};
    std::atomic<void *> context{nullptr};
    std::atomic<int> count{0};
    std::atomic<uint64_t> next{0};
    std::atomic<int> done{0};
};

namespace
{

// How long an idle worker spins before it sleeps.
const auto spin_time = std::chrono::microseconds(2000);

void relax()
{
#if defined(__x86_64__) || defined(__i386__)
    _mm_pause();
#else
    std::this_thread::yield();
#endif
}

// Takes the indices of generation `generation` until none are left;
// returns how many this thread ran.
int take_share(Workers *w, unsigned generation)
{
    int ran = 0;
    uint64_t v = w->next.load(std::memory_order_acquire);
    for (;;) {
        int i = (int)(uint32_t)v;
        if ((unsigned)(v >> 32) != generation || i >= w->count.load(std::memory_order_relaxed))
            return ran;
        if (!w->next.compare_exchange_weak(v, v + 1, std::memory_order_acq_rel, std::memory_order_acquire))
            continue;
        w->job.load(std::memory_order_relaxed)(w->context.load(std::memory_order_relaxed), i);
        ++ran;
        v = w->next.load(std::memory_order_acquire);
    }
}

void worker_main(Workers *w)
{
    unsigned seen = 0;
    for (;;) {
        // Spin for a new generation, then sleep on the condition.
        auto since = std::chrono::steady_clock::now();
        int spins = 0;
        while (w->generation.load(std::memory_order_acquire) == seen && !w->stopping.load()) {
            relax();
            if (++spins % 256 == 0 && std::chrono::steady_clock::now() - since > spin_time) {
                std::unique_lock<std::mutex> lock(w->mutex);
                w->sleeping.fetch_add(1);
                w->wake.wait(lock, [&] { return w->generation.load() != seen || w->stopping.load(); });
                w->sleeping.fetch_sub(1);
            }
        }
        if (w->stopping.load())
            return;
        seen = w->generation.load(std::memory_order_acquire);
        int ran = take_share(w, seen);
        if (ran)
            w->done.fetch_add(ran, std::memory_order_acq_rel);
    }
}

} // namespace

Workers *workers_start(int threads)
{
    if (threads <= 1)
        return nullptr;
    Workers *w = new (std::nothrow) Workers();
    if (!w)
        return nullptr;
    try {
        for (int k = 1; k < threads; ++k)
            w->threads.emplace_back(worker_main, w);
    } catch (...) {
        workers_stop(w);
        return nullptr;
    }
    return w;
}

void workers_stop(Workers *w)
{
    if (!w)
        return;
    {
        std::lock_guard<std::mutex> lock(w->mutex);
        w->stopping.store(true);
    }
    w->wake.notify_all();
    for (std::thread &t : w->threads)
        t.join();
    delete w;
}

int workers_threads(const Workers *w)
{
    return w ? (int)w->threads.size() + 1 : 1;
}

void workers_post(Workers *w, int count, void (*job)(void *context, int index), void *context)
{
    if (!w) {
        for (int i = 0; i < count; ++i)
            job(context, i);
        return;
    }
    unsigned generation = w->generation.load(std::memory_order_relaxed) + 1;
    w->job.store(job, std::memory_order_relaxed);
    w->context.store(context, std::memory_order_relaxed);
    w->count.store(count, std::memory_order_relaxed);
    w->done.store(0, std::memory_order_relaxed);
    w->next.store((uint64_t)generation << 32, std::memory_order_release);
    {
        // Under the lock, so a worker about to sleep either sees the new
        // generation or is woken.
        std::lock_guard<std::mutex> lock(w->mutex);
        w->generation.store(generation, std::memory_order_release);
    }
    if (w->sleeping.load())
        w->wake.notify_all();
}

void workers_finish(Workers *w)
{
    if (!w)
        return;
    int count = w->count.load(std::memory_order_relaxed);
    int ran = take_share(w, w->generation.load(std::memory_order_relaxed));
    if (ran)
        w->done.fetch_add(ran, std::memory_order_acq_rel);
    while (w->done.load(std::memory_order_acquire) < count)
        relax();
}

void workers_run(Workers *w, int count, void (*job)(void *context, int index), void *context)
{
    workers_post(w, count, job, context);
    workers_finish(w);
}
