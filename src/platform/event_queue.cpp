// Time-ordered ring of input events.
#include "platform/event_queue.h"

namespace
{

bool later(int s1, int us1, int s2, int us2)
{
    return s1 > s2 || (s1 == s2 && us1 > us2);
}

bool pop_locked(EventQueue *q, InputEvent *e)
{
    if (q->count == 0)
        return false;
    int i = q->head;
    e->code = (int)(q->codes[i] & 0x7fffffffu);
    e->pressed = (q->codes[i] & 0x80000000u) ? 0 : 1;
    e->seconds = q->seconds[i];
    e->microseconds = q->microseconds[i];
    q->head = (q->head + 1) % EVENT_QUEUE_SIZE;
    --q->count;
    return true;
}

} // namespace

bool event_queue_push(EventQueue *q, const InputEvent &e)
{
    std::lock_guard<std::mutex> guard(q->lock);
    if (q->count == EVENT_QUEUE_SIZE)
        return false;
    // Move later events up one place to open a gap in time order.
    int at = q->count;
    while (at > 0) {
        int prev = (q->head + at - 1) % EVENT_QUEUE_SIZE;
        if (!later(q->seconds[prev], q->microseconds[prev], e.seconds, e.microseconds))
            break;
        int to = (q->head + at) % EVENT_QUEUE_SIZE;
        q->codes[to] = q->codes[prev];
        q->seconds[to] = q->seconds[prev];
        q->microseconds[to] = q->microseconds[prev];
        --at;
    }
    int slot = (q->head + at) % EVENT_QUEUE_SIZE;
    q->codes[slot] = ((unsigned)e.code & 0x7fffffffu) | (e.pressed ? 0u : 0x80000000u);
    q->seconds[slot] = e.seconds;
    q->microseconds[slot] = e.microseconds;
    ++q->count;
    return true;
}

bool event_queue_pop(EventQueue *q, InputEvent *e)
{
    std::lock_guard<std::mutex> guard(q->lock);
    return pop_locked(q, e);
}

bool event_queue_pop_until(EventQueue *q, int seconds, int microseconds, InputEvent *e)
{
    std::lock_guard<std::mutex> guard(q->lock);
    if (q->count == 0 || later(q->seconds[q->head], q->microseconds[q->head], seconds, microseconds))
        return false;
    return pop_locked(q, e);
}
