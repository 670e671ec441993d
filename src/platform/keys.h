// Key names and PC scan codes (set 1, extended keys + 256), the code space
// that bindings, button codes and key names are stored in.
#pragma once

enum {
    KEY_BASE = 4096, // button code of scan code s is 4096 + s
    KEY_SCAN_CODES = 512,
    BUTTON_MOUSE_LEFT = 8192,
    BUTTON_MOUSE_MIDDLE = 8193,
    BUTTON_MOUSE_RIGHT = 8194,
    BUTTON_CLOSE = 57005,
    KEY_NAME_COUNT = 98,
};

// One row of the built-in key table.
struct KeyName {
    int scan_code;
    const char *name;
};

// The 98 built-in key names in table order.
extern const KeyName key_names[KEY_NAME_COUNT];

// The set-1 scan code of an SDL scancode, or 0 when it has none.
int scan_code_from_sdl(int sdl_scancode);

// The SDL scancode of a set-1 scan code, or 0 when it has none.
int sdl_from_scan_code(int scan_code);

// The system's name of a scan code (interned; "" when it has none).
const char *system_key_name(int scan_code);

// Button code of a key or mouse name, or 0: exact names first, then names
// ignoring case and blanks, then "0x%x" scan codes up to 511.
int key_code(const char *name);

// Name of a key, mouse or close button code, or null for other codes.
const char *key_button_name(int code);
