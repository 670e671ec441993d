// The key table and the map between SDL scancodes and set-1 scan codes.
#include "platform/keys.h"

#include "platform/names.h"

#include <SDL.h>

#include <cstdio>
#include <cstring>

const KeyName key_names[KEY_NAME_COUNT] = {
    {0x01, "Esc"},        {0x0B, "0"},           {0x02, "1"},         {0x03, "2"},
    {0x04, "3"},          {0x05, "4"},           {0x06, "5"},         {0x07, "6"},
    {0x08, "7"},          {0x09, "8"},           {0x0A, "9"},         {0x1E, "A"},
    {0x30, "B"},          {0x2E, "C"},           {0x20, "D"},         {0x12, "E"},
    {0x21, "F"},          {0x22, "G"},           {0x23, "H"},         {0x17, "I"},
    {0x24, "J"},          {0x25, "K"},           {0x26, "L"},         {0x32, "M"},
    {0x31, "N"},          {0x18, "O"},           {0x19, "P"},         {0x10, "Q"},
    {0x13, "R"},          {0x1F, "S"},           {0x14, "T"},         {0x16, "U"},
    {0x2F, "V"},          {0x11, "W"},           {0x2D, "X"},         {0x15, "Y"},
    {0x2C, "Z"},          {0x0C, "-"},           {0x0D, "="},         {0x1A, "["},
    {0x1B, "]"},          {0x27, ";"},           {0x28, "'"},         {0x29, "`"},
    {0x2B, "\\"},         {0x33, ","},           {0x34, "."},         {0x35, "/"},
    {0x0E, "Backspace"},  {0x0F, "Tab"},         {0x1C, "Enter"},     {0x1D, "Left Ctrl"},
    {0x2A, "Left Shift"}, {0x36, "Right Shift"}, {0x39, "Space"},     {0x39, " "},
    {0x3A, "Caps Lock"},  {0x11D, "Right Ctrl"}, {0x152, "Insert"},   {0x153, "Delete"},
    {0x147, "Home"},      {0x14F, "End"},        {0x149, "Page Up"},  {0x151, "Page Down"},
    {0x148, "Up"},        {0x150, "Down"},       {0x14B, "Left"},     {0x14D, "Right"},
    {0x3B, "F1"},         {0x3C, "F2"},          {0x3D, "F3"},        {0x3E, "F4"},
    {0x3F, "F5"},         {0x40, "F6"},          {0x41, "F7"},        {0x42, "F8"},
    {0x43, "F9"},         {0x44, "F10"},         {0x57, "F11"},       {0x58, "F12"},
    {0x45, "Pause"},      {0x145, "Num Lock"},   {0x135, "Keypad /"}, {0x37, "Keypad *"},
    {0x4A, "Keypad -"},   {0x47, "Keypad 7"},    {0x48, "Keypad 8"},  {0x49, "Keypad 9"},
    {0x4E, "Keypad +"},   {0x4B, "Keypad 4"},    {0x4C, "Keypad 5"},  {0x4D, "Keypad 6"},
    {0x4F, "Keypad 1"},   {0x50, "Keypad 2"},    {0x51, "Keypad 3"},  {0x11C, "Keypad Enter"},
    {0x52, "Keypad 0"},   {0x53, "Keypad ."},
};

namespace
{

// SDL scancode -> set-1 scan code for every key a PC keyboard can send.
const struct {
    SDL_Scancode sdl;
    int scan;
} scan_map[] = {
    {SDL_SCANCODE_ESCAPE, 0x01},
    {SDL_SCANCODE_1, 0x02},
    {SDL_SCANCODE_2, 0x03},
    {SDL_SCANCODE_3, 0x04},
    {SDL_SCANCODE_4, 0x05},
    {SDL_SCANCODE_5, 0x06},
    {SDL_SCANCODE_6, 0x07},
    {SDL_SCANCODE_7, 0x08},
    {SDL_SCANCODE_8, 0x09},
    {SDL_SCANCODE_9, 0x0A},
    {SDL_SCANCODE_0, 0x0B},
    {SDL_SCANCODE_MINUS, 0x0C},
    {SDL_SCANCODE_EQUALS, 0x0D},
    {SDL_SCANCODE_BACKSPACE, 0x0E},
    {SDL_SCANCODE_TAB, 0x0F},
    {SDL_SCANCODE_Q, 0x10},
    {SDL_SCANCODE_W, 0x11},
    {SDL_SCANCODE_E, 0x12},
    {SDL_SCANCODE_R, 0x13},
    {SDL_SCANCODE_T, 0x14},
    {SDL_SCANCODE_Y, 0x15},
    {SDL_SCANCODE_U, 0x16},
    {SDL_SCANCODE_I, 0x17},
    {SDL_SCANCODE_O, 0x18},
    {SDL_SCANCODE_P, 0x19},
    {SDL_SCANCODE_LEFTBRACKET, 0x1A},
    {SDL_SCANCODE_RIGHTBRACKET, 0x1B},
    {SDL_SCANCODE_RETURN, 0x1C},
    {SDL_SCANCODE_LCTRL, 0x1D},
    {SDL_SCANCODE_A, 0x1E},
    {SDL_SCANCODE_S, 0x1F},
    {SDL_SCANCODE_D, 0x20},
    {SDL_SCANCODE_F, 0x21},
    {SDL_SCANCODE_G, 0x22},
    {SDL_SCANCODE_H, 0x23},
    {SDL_SCANCODE_J, 0x24},
    {SDL_SCANCODE_K, 0x25},
    {SDL_SCANCODE_L, 0x26},
    {SDL_SCANCODE_SEMICOLON, 0x27},
    {SDL_SCANCODE_APOSTROPHE, 0x28},
    {SDL_SCANCODE_GRAVE, 0x29},
    {SDL_SCANCODE_LSHIFT, 0x2A},
    {SDL_SCANCODE_BACKSLASH, 0x2B},
    {SDL_SCANCODE_NONUSHASH, 0x2B},
    {SDL_SCANCODE_Z, 0x2C},
    {SDL_SCANCODE_X, 0x2D},
    {SDL_SCANCODE_C, 0x2E},
    {SDL_SCANCODE_V, 0x2F},
    {SDL_SCANCODE_B, 0x30},
    {SDL_SCANCODE_N, 0x31},
    {SDL_SCANCODE_M, 0x32},
    {SDL_SCANCODE_COMMA, 0x33},
    {SDL_SCANCODE_PERIOD, 0x34},
    {SDL_SCANCODE_SLASH, 0x35},
    {SDL_SCANCODE_RSHIFT, 0x36},
    {SDL_SCANCODE_KP_MULTIPLY, 0x37},
    {SDL_SCANCODE_LALT, 0x38},
    {SDL_SCANCODE_SPACE, 0x39},
    {SDL_SCANCODE_CAPSLOCK, 0x3A},
    {SDL_SCANCODE_F1, 0x3B},
    {SDL_SCANCODE_F2, 0x3C},
    {SDL_SCANCODE_F3, 0x3D},
    {SDL_SCANCODE_F4, 0x3E},
    {SDL_SCANCODE_F5, 0x3F},
    {SDL_SCANCODE_F6, 0x40},
    {SDL_SCANCODE_F7, 0x41},
    {SDL_SCANCODE_F8, 0x42},
    {SDL_SCANCODE_F9, 0x43},
    {SDL_SCANCODE_F10, 0x44},
    {SDL_SCANCODE_PAUSE, 0x45},
    {SDL_SCANCODE_SCROLLLOCK, 0x46},
    {SDL_SCANCODE_KP_7, 0x47},
    {SDL_SCANCODE_KP_8, 0x48},
    {SDL_SCANCODE_KP_9, 0x49},
    {SDL_SCANCODE_KP_MINUS, 0x4A},
    {SDL_SCANCODE_KP_4, 0x4B},
    {SDL_SCANCODE_KP_5, 0x4C},
    {SDL_SCANCODE_KP_6, 0x4D},
    {SDL_SCANCODE_KP_PLUS, 0x4E},
    {SDL_SCANCODE_KP_1, 0x4F},
    {SDL_SCANCODE_KP_2, 0x50},
    {SDL_SCANCODE_KP_3, 0x51},
    {SDL_SCANCODE_KP_0, 0x52},
    {SDL_SCANCODE_KP_PERIOD, 0x53},
    {SDL_SCANCODE_NONUSBACKSLASH, 0x56},
    {SDL_SCANCODE_F11, 0x57},
    {SDL_SCANCODE_F12, 0x58},
    {SDL_SCANCODE_KP_EQUALS, 0x59},
    {SDL_SCANCODE_F13, 0x64},
    {SDL_SCANCODE_F14, 0x65},
    {SDL_SCANCODE_F15, 0x66},
    {SDL_SCANCODE_F16, 0x67},
    {SDL_SCANCODE_F17, 0x68},
    {SDL_SCANCODE_F18, 0x69},
    {SDL_SCANCODE_F19, 0x6A},
    {SDL_SCANCODE_F20, 0x6B},
    {SDL_SCANCODE_F21, 0x6C},
    {SDL_SCANCODE_F22, 0x6D},
    {SDL_SCANCODE_F23, 0x6E},
    {SDL_SCANCODE_INTERNATIONAL2, 0x70},
    {SDL_SCANCODE_LANG2, 0x71},
    {SDL_SCANCODE_LANG1, 0x72},
    {SDL_SCANCODE_INTERNATIONAL1, 0x73},
    {SDL_SCANCODE_F24, 0x76},
    {SDL_SCANCODE_INTERNATIONAL4, 0x79},
    {SDL_SCANCODE_INTERNATIONAL5, 0x7B},
    {SDL_SCANCODE_INTERNATIONAL3, 0x7D},
    {SDL_SCANCODE_KP_COMMA, 0x7E},
    // Extended keys: the E0 prefix of set 1 adds 256.
    {SDL_SCANCODE_AUDIOPREV, 0x110},
    {SDL_SCANCODE_AUDIONEXT, 0x119},
    {SDL_SCANCODE_KP_ENTER, 0x11C},
    {SDL_SCANCODE_RCTRL, 0x11D},
    {SDL_SCANCODE_MUTE, 0x120},
    {SDL_SCANCODE_CALCULATOR, 0x121},
    {SDL_SCANCODE_AUDIOPLAY, 0x122},
    {SDL_SCANCODE_AUDIOSTOP, 0x124},
    {SDL_SCANCODE_VOLUMEDOWN, 0x12E},
    {SDL_SCANCODE_VOLUMEUP, 0x130},
    {SDL_SCANCODE_AC_HOME, 0x132},
    {SDL_SCANCODE_KP_DIVIDE, 0x135},
    {SDL_SCANCODE_PRINTSCREEN, 0x137},
    {SDL_SCANCODE_RALT, 0x138},
    {SDL_SCANCODE_NUMLOCKCLEAR, 0x145},
    {SDL_SCANCODE_HOME, 0x147},
    {SDL_SCANCODE_UP, 0x148},
    {SDL_SCANCODE_PAGEUP, 0x149},
    {SDL_SCANCODE_LEFT, 0x14B},
    {SDL_SCANCODE_RIGHT, 0x14D},
    {SDL_SCANCODE_END, 0x14F},
    {SDL_SCANCODE_DOWN, 0x150},
    {SDL_SCANCODE_PAGEDOWN, 0x151},
    {SDL_SCANCODE_INSERT, 0x152},
    {SDL_SCANCODE_DELETE, 0x153},
    {SDL_SCANCODE_LGUI, 0x15B},
    {SDL_SCANCODE_RGUI, 0x15C},
    {SDL_SCANCODE_APPLICATION, 0x15D},
    {SDL_SCANCODE_POWER, 0x15E},
    {SDL_SCANCODE_SLEEP, 0x15F},
    {SDL_SCANCODE_AC_SEARCH, 0x165},
    {SDL_SCANCODE_AC_BOOKMARKS, 0x166},
    {SDL_SCANCODE_AC_REFRESH, 0x167},
    {SDL_SCANCODE_AC_STOP, 0x168},
    {SDL_SCANCODE_AC_FORWARD, 0x169},
    {SDL_SCANCODE_AC_BACK, 0x16A},
    {SDL_SCANCODE_COMPUTER, 0x16B},
    {SDL_SCANCODE_MAIL, 0x16C},
    {SDL_SCANCODE_MEDIASELECT, 0x16D},
};

struct ScanTables {
    short to_scan[SDL_NUM_SCANCODES];
    short to_sdl[KEY_SCAN_CODES];
    const char *system_names[KEY_SCAN_CODES];
};

const ScanTables &tables()
{
    static const ScanTables t = [] {
        ScanTables t = {};
        for (const auto &m : scan_map) {
            t.to_scan[m.sdl] = (short)m.scan;
            if (!t.to_sdl[m.scan])
                t.to_sdl[m.scan] = (short)m.sdl;
        }
        for (int s = 0; s < KEY_SCAN_CODES; ++s) {
            const char *name = t.to_sdl[s] ? SDL_GetScancodeName((SDL_Scancode)t.to_sdl[s]) : "";
            t.system_names[s] = name_intern(name ? name : "");
        }
        return t;
    }();
    return t;
}

const struct {
    int code;
    const char *name;
} special_names[] = {
    {BUTTON_CLOSE, "Close"},
    {BUTTON_MOUSE_LEFT, "Mouse Left"},
    {BUTTON_MOUSE_MIDDLE, "Mouse Middle"},
    {BUTTON_MOUSE_RIGHT, "Mouse Right"},
};

int match_names(const char *name, int (*same)(const char *, const char *))
{
    for (const auto &s : special_names)
        if (same(s.name, name) == 0)
            return s.code;
    const ScanTables &t = tables();
    for (int s = 0; s < KEY_SCAN_CODES; ++s)
        if (t.system_names[s][0] && same(t.system_names[s], name) == 0)
            return KEY_BASE + s;
    for (const KeyName &k : key_names)
        if (same(k.name, name) == 0)
            return KEY_BASE + k.scan_code;
    return 0;
}

} // namespace

int scan_code_from_sdl(int sdl_scancode)
{
    if (sdl_scancode <= 0 || sdl_scancode >= SDL_NUM_SCANCODES)
        return 0;
    return tables().to_scan[sdl_scancode];
}

int sdl_from_scan_code(int scan_code)
{
    if (scan_code <= 0 || scan_code >= KEY_SCAN_CODES)
        return 0;
    return tables().to_sdl[scan_code];
}

const char *system_key_name(int scan_code)
{
    if (scan_code < 0 || scan_code >= KEY_SCAN_CODES)
        return "";
    return tables().system_names[scan_code];
}

int key_code(const char *name)
{
    if (int code = match_names(name, strcmp))
        return code;
    if (int code = match_names(name, name_compare))
        return code;
    unsigned value;
    char rest;
    if (sscanf(name, "0x%x%c", &value, &rest) == 1 && value < KEY_SCAN_CODES)
        return KEY_BASE + (int)value;
    return 0;
}

const char *key_button_name(int code)
{
    for (const auto &s : special_names)
        if (s.code == code)
            return s.name;
    if (code < KEY_BASE || code >= KEY_BASE + KEY_SCAN_CODES)
        return nullptr;
    int scan = code - KEY_BASE;
    const char *system = system_key_name(scan);
    if (system[0])
        return system;
    for (const KeyName &k : key_names)
        if (k.scan_code == scan)
            return k.name;
    char text[16];
    snprintf(text, sizeof text, "0x%x", scan);
    return name_intern(text);
}
