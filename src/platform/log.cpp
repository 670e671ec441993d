// The platform log file and the last-error text.
#include "platform/log.h"

#include "platform/clock.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace
{

FILE *log_file;
bool log_initialised;
std::string log_path;
const char *last_error = "Unknown";
std::string last_error_text;

const char log_file_marker[] = "ZEPH_LOGFILE=";

void write_stamped(const char *format, va_list args)
{
    if (!log_file)
        return;
    uint32_t ms = clock_ms();
    unsigned hundredths = (ms / 10u) % 100u;
    unsigned seconds = ms / 1000u;
    fprintf(log_file, "[%u:%02u:%02u.%02u] ", seconds / 3600u, (seconds / 60u) % 60u, seconds % 60u, hundredths);
    vfprintf(log_file, format, args);
    fflush(log_file);
}

void log_line(const char *format, ...) __attribute__((format(printf, 1, 2)));
void log_line(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    write_stamped(format, args);
    va_end(args);
}

// Opens the log file. Returns true when the first message named the file and
// must therefore not be written itself.
bool open_log(const char *format, va_list args)
{
    bool consumed = false;
    std::string path;
    if (const char *env = getenv("ZEPH_LOGFILE"))
        path = env;

    char first[1024];
    va_list copy;
    va_copy(copy, args);
    vsnprintf(first, sizeof first, format, copy);
    va_end(copy);
    if (strncmp(first, log_file_marker, sizeof log_file_marker - 1) == 0) {
        consumed = true;
        if (path.empty() && !getenv("ZEPH_LOGFILE"))
            path = first + sizeof log_file_marker - 1;
    }

    const char *mode = "w";
    const char *name = path.c_str();
    if (strncmp(name, ">>", 2) == 0) {
        mode = "a";
        name += 2;
    } else if (name[0] == '>') {
        name += 1;
    }
    log_path = name;
    log_file = log_path.empty() ? nullptr : fopen(log_path.c_str(), mode);
    log_initialised = true;
    log_line("Logfile \"%s\" opened\n", log_path.c_str());
    log_line("ZEPH 0.31\n");
    return consumed;
}

} // namespace

void zeph_vlog(const char *format, va_list args)
{
    if (!log_initialised && open_log(format, args))
        return;
    write_stamped(format, args);
}

void zeph_log(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    zeph_vlog(format, args);
    va_end(args);
}

void zeph_error(const char *message)
{
    zeph_log("Error: %s\n", message);
    last_error_text = message;
    last_error = last_error_text.c_str();
}

const char *zeph_last_error()
{
    return last_error;
}

const char *zeph_log_path()
{
    return log_file ? log_path.c_str() : nullptr;
}

void zeph_log_reset()
{
    if (log_file)
        fclose(log_file);
    log_file = nullptr;
    log_initialised = false;
    log_path.clear();
}
