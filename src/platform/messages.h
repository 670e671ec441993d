// The on-screen message log: every message the player is told is also
// written to the platform log.
#pragma once

enum { MESSAGE_LINES = 1000, MESSAGE_LINE_SIZE = 128, MESSAGE_VISIBLE_MAX = 5 };

// Ring of the latest messages; the HUD shows the newest `visible` lines.
struct MessageLog {
    char lines[MESSAGE_LINES][MESSAGE_LINE_SIZE];
    int write_index;  // where the next line goes
    int visible;      // lines currently shown, 0..5
    double hide_time; // `clock` time when one line is retired
    // Game time summed per drawn frame (the main loop advances it): the
    // clock of the messages' own timers and of the chat and network timers
    // that go with them.
    double clock;
};

// The one message log, of the whole program's lifetime.
extern MessageLog message_log;

// Advances the log's clock by a frame's game time; with `retire`, retires
// one shown line when its time is up (the next follows 5 s later).
void message_log_advance(double seconds, bool retire);

// Logs a message (adding a line end when it has none) and shows it on screen
// for at least two seconds.
void show_message(const char *text);

// show_message with printf-style formatting (at most 1023 characters).
void show_messagef(const char *format, ...) __attribute__((format(printf, 1, 2)));

// Empties every line of the message log.
void message_log_clear();

// A line counting back from the newest (0 = newest).
const char *message_log_line(int age);
