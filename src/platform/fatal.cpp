// Fatal message boxes and the out-of-memory exit.
#include "platform/fatal.h"

#include "platform/log.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace
{

bool stderr_presenter(const char *title, const char *text)
{
    fprintf(stderr, "%s: %s", title, text);
    size_t n = 0;
    while (text[n])
        ++n;
    if (n == 0 || text[n - 1] != '\n')
        fputc('\n', stderr);
    fflush(stderr);
    return true;
}

MessageBoxPresenter presenter = stderr_presenter;
void (*cleanup_audio)();
void (*cleanup_window)();

} // namespace

void set_message_box_presenter(MessageBoxPresenter p)
{
    presenter = p ? p : stderr_presenter;
}

void fatal_box(const char *title, const char *format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (!presenter(title, text))
        stderr_presenter(title, text);
}

void set_fatal_cleanup(void (*close_audio)(), void (*destroy_window)())
{
    cleanup_audio = close_audio;
    cleanup_window = destroy_window;
}

void out_of_memory()
{
    // Clear the hooks first so a second failure inside them cannot recurse.
    void (*audio)() = cleanup_audio;
    void (*window)() = cleanup_window;
    cleanup_audio = cleanup_window = nullptr;
    if (audio)
        audio();
    if (window)
        window();
    zeph_log("Out of virtual memory\n");
    fatal_box("Error", "Out of virtual memory");
    exit(1);
}

void install_out_of_memory_handler()
{
    std::set_new_handler(out_of_memory);
}

void *xmalloc(size_t size)
{
    void *p = malloc(size ? size : 1);
    if (!p)
        out_of_memory();
    return p;
}

void *xcalloc(size_t count, size_t size)
{
    void *p = calloc(count ? count : 1, size ? size : 1);
    if (!p)
        out_of_memory();
    return p;
}

void *xrealloc(void *block, size_t size)
{
    void *p = realloc(block, size ? size : 1);
    if (!p)
        out_of_memory();
    return p;
}
