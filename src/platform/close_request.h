// The request to close the game: raised by the window's close box and by
// SIGINT or SIGTERM, so every way out goes through the normal shut-down.
#pragma once

// Raises the close request (safe to call from a signal handler).
void request_close();

// Whether a close request is pending; reading it clears it.
bool take_close_request();

// Makes SIGINT and SIGTERM raise the close request instead of killing the
// process.
void install_close_signals();
