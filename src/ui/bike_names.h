// The bikes offered in the menus and the configuration, with the skin-name
// prefix of each (the catalogue itself also holds "125sx", not offered).
#pragma once

enum { OFFERED_BIKES = 17 };

// Bike names in menu order; entry 0 is the default bike.
extern const char *const offered_bike_names[OFFERED_BIKES];

// Skin-name prefix of each offered bike, e.g. "crf250-".
extern const char *const offered_bike_skin_prefixes[OFFERED_BIKES];
