// The renderer table of the GL renderer: what track loading and the
// texture cache ask of it, answered through the current GL context.
#pragma once

// Installs the GL renderer for the rest of the run; `loading_screen` shows
// a loading step's message (null: only logged).
void gl_renderer_install(void (*loading_screen)(const char *text));
