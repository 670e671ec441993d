// Platform tuning options from the environment variable ZEPH_OPTIONS, whose
// text holds entries "[name:value]"; the first entry for a name counts.
#pragma once

// A yes/on (1) or no/off (0) option; `fallback` when absent or malformed.
int option_flag(const char *name, int fallback);

// A decimal integer option; `fallback` when absent or without digits.
int option_int(const char *name, int fallback);

// Forgets the options text so the next query reads ZEPH_OPTIONS again (tests).
void options_reset();
