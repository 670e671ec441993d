// Fatal errors: the message box and the one out-of-memory exit path.
//
// The box itself is drawn by whoever can draw one: the window layer installs
// an on-screen presenter; without one (or when it fails) the title and text go
// to standard error.
#pragma once

#include <cstddef>

// Presents a titled message with an OK button; returns false when it could not.
using MessageBoxPresenter = bool (*)(const char *title, const char *text);

// Installs the message-box presenter; null restores the standard-error one.
void set_message_box_presenter(MessageBoxPresenter presenter);

// Shows a message box with the title and at most 1023 formatted characters.
void fatal_box(const char *title, const char *format, ...) __attribute__((format(printf, 2, 3)));

// Registers what the out-of-memory path must close before it exits (audio,
// then the window); either may be null.
void set_fatal_cleanup(void (*close_audio)(), void (*destroy_window)());

// Closes audio and the window, shows "Out of virtual memory" titled "Error"
// and exits with status 1. Every failed allocation ends here.
[[noreturn]] void out_of_memory();

// Makes a failed operator new (std::bad_alloc) take the out-of-memory path.
void install_out_of_memory_handler();

// malloc, calloc and realloc that never return null: they take the
// out-of-memory path instead.
void *xmalloc(size_t size);
void *xcalloc(size_t count, size_t size);
void *xrealloc(void *block, size_t size);
