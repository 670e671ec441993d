// rutvale-sim as a headless network client: joins a race server with the
// test pilot riding the player's slot, in real time.
#pragma once

#include "physics/rider.h"

#include <string>

struct ConnectOptions {
    std::string server, password, name = "Headless";
    RiderOutfit outfit = {"crf250(2009)", "998", "", "", "", ""}; // the pilot's bike and number
    double fake_lag = 0;                                          // seconds
    int fake_loss = 0;                                            // percent
    double seconds = 600;                                         // gives up after this long
    int races = 1;                                                // races to ride before leaving
    bool quiet = false;                                           // no message lines on standard output
};

// Runs the client until the races are ridden (their results printed),
// the time is up or the server ends the connection. The exit status: 0
// when every race was ridden to its final results.
int run_connected(const ConnectOptions &options);
