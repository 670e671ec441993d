// The message log ring.
#include "platform/messages.h"

#include "platform/log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

MessageLog message_log;

void show_message(const char *text)
{
    size_t len = strlen(text);
    if (len > 0 && text[len - 1] == '\n')
        zeph_log("%s", text);
    else
        zeph_log("%s\n", text);

    char *line = message_log.lines[message_log.write_index];
    snprintf(line, MESSAGE_LINE_SIZE, "%s", text);
    message_log.write_index = (message_log.write_index + 1) % MESSAGE_LINES;
    if (message_log.visible < MESSAGE_VISIBLE_MAX)
        ++message_log.visible;
    message_log.hide_time = message_log.clock + 2.0;
}

void show_messagef(const char *format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    show_message(text);
}

void message_log_advance(double seconds, bool retire)
{
    message_log.clock += seconds;
    if (retire && message_log.clock > message_log.hide_time && message_log.visible > 0) {
        --message_log.visible;
        message_log.hide_time = message_log.clock + 5;
    }
}

void message_log_clear()
{
    memset(&message_log, 0, sizeof message_log);
}

const char *message_log_line(int age)
{
    int index = ((message_log.write_index - 1 - age) % MESSAGE_LINES + MESSAGE_LINES) % MESSAGE_LINES;
    return message_log.lines[index];
}
