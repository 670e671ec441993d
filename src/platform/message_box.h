// The on-screen message box of the window layer.
#pragma once

// Makes fatal_box show an SDL message box, falling back to standard error
// when there is no display.
void message_box_install();
