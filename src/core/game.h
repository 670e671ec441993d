// The game's start-up, run and shut-down.
#pragma once

// Runs the whole program; returns the process exit status.
int game_main(int argc, char **argv);
