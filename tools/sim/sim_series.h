// rutvale-sim running a points series: every event of a series back to back
// with its robot field (and the test pilot on the player's bike with
// --pilot), the standings printed after each event.
#pragma once

#include <string>

struct SeriesOptions {
    std::string name;   // the series' name or its file name ("spring" or "spring.series")
    bool pilot = false; // the pilot rides the player's bike; else it stands on the gate
    bool learning = true;
    bool debug = false;
    double seconds = 1200; // game time an event may take at most
};

// Runs the series from its standings (a fresh home starts at event 1).
// The exit status: 0 when every event ran, 1 when the series is not there.
int run_series(const SeriesOptions &options);
