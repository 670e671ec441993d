// Platform clock on CLOCK_MONOTONIC, which on Linux counts from boot as the
// millisecond multimedia timer of the design does.
#include "platform/clock.h"

#include <sched.h>
#include <time.h>

uint32_t clock_ms()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (uint32_t)((uint64_t)ts.tv_sec * 1000u + (uint64_t)ts.tv_nsec / 1000000u);
}

void clock_now(int *seconds, int *microseconds)
{
    uint32_t ms = clock_ms();
    *seconds = (int)(ms / 1000u);
    *microseconds = (int)(ms % 1000u) * 1000;
}

void sleep_until(int seconds, int microseconds)
{
    int64_t wait_ms = (int64_t)seconds * 1000 + microseconds / 1000;
    if (wait_ms <= 0)
        return;
    uint32_t target = clock_ms() + (uint32_t)wait_ms;
    if (wait_ms > 1) {
        timespec ts;
        ts.tv_sec = (time_t)((wait_ms - 1) / 1000);
        ts.tv_nsec = (long)((wait_ms - 1) % 1000) * 1000000L;
        nanosleep(&ts, nullptr);
    }
    // The signed difference copes with the 32-bit millisecond counter wrapping.
    while ((int32_t)(target - clock_ms()) > 0)
        sched_yield();
}

double clock_seconds()
{
    int seconds, microseconds;
    clock_now(&seconds, &microseconds);
    return seconds + microseconds * 1e-6;
}
