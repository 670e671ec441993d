// The loading and title screen: the title picture on black, a message in the
// top-left corner and the version label.
#pragma once

// Draws the screen over the whole view of the current projection; a
// non-empty message is also logged.
void draw_loading_screen(const char *message);
