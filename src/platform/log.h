// The platform log: one time-stamped file, opened on the first message, and
// the last-error text.
//
// The file is named by the environment variable ZEPH_LOGFILE, or by a first
// message of the form "ZEPH_LOGFILE=<path>" when the variable is unset. A path
// starting with ">>" appends, one starting with ">" truncates (the default).
#pragma once

#include <cstdarg>

// Writes one printf-style message, stamped with the platform clock.
void zeph_log(const char *format, ...) __attribute__((format(printf, 1, 2)));

// As zeph_log with a va_list.
void zeph_vlog(const char *format, va_list args);

// Logs "Error: <message>" and remembers the message as the last error.
void zeph_error(const char *message);

// The message of the latest zeph_error, "Unknown" before the first.
const char *zeph_last_error();

// Path of the open log file, or null when the log is closed or silent.
const char *zeph_log_path();

// Closes the log so the next message opens it again (tests, and re-pointing
// the log before anything was written).
void zeph_log_reset();
