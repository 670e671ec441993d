// The input event queue: 256 button events kept in time order.
#pragma once

#include <mutex>

// One button press or release, stamped with the platform clock.
struct InputEvent {
    int code;
    int pressed;
    int seconds;
    int microseconds;
};

enum { EVENT_QUEUE_SIZE = 256 };

struct EventQueue {
    // Codes are stored with the top bit set for a release.
    unsigned codes[EVENT_QUEUE_SIZE];
    int seconds[EVENT_QUEUE_SIZE];
    int microseconds[EVENT_QUEUE_SIZE];
    int head = 0;
    int count = 0;
    std::mutex lock;
};

// Adds an event in time order (behind every event not later than it); when
// 256 are waiting the event is dropped and false returned.
bool event_queue_push(EventQueue *queue, const InputEvent &event);

// Takes the oldest event; false when the queue is empty.
bool event_queue_pop(EventQueue *queue, InputEvent *event);

// Takes the oldest event if it is not later than the given time.
bool event_queue_pop_until(EventQueue *queue, int seconds, int microseconds, InputEvent *event);
