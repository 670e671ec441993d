// The menus: full-screen pages over the game view, each a column of rows
// (buttons, sliders, choices, text fields, control bindings, paged lists).
// The keyboard moves the selected row and acts on it; the mouse selects the
// row under the pointer and clicks or drags it. The menus edit the settings
// in place, apply the bike setup to the player's rider, start races, join
// and leave race servers, and start the capture of a control binding.
#pragma once

#include "ui/config.h"

#include <string>
#include <vector>

struct AxisHandle;
struct DemoList;
struct EngineSounds;
struct NetClient;
struct SeriesList;
struct RenderStats;
struct Sim;
struct TrackList;
struct ViewCameras;
struct Window;

enum MenuPage {
    PAGE_CLOSED = -1,
    PAGE_MAIN = 0,
    PAGE_NEW_RACE = 1,
    PAGE_CHOOSER = 2,
    PAGE_PLAYBACK = 3,
    PAGE_SERIES_LIST = 4,
    PAGE_SERIES = 5,
    PAGE_TIME_TRIAL = 6,
    PAGE_BIKE_SETUP = 7,
    PAGE_SUSPENSION = 8,
    PAGE_STABILITY = 9,
    PAGE_CONTROLS = 10,
    PAGE_GRAPHICS = 11,
    PAGE_MULTIPLAYER = 12,
    PAGE_CHAT = 15,
    PAGE_EXIT = 17
};

// The button codes of the fixed menu keys, looked up once at start-up.
struct MenuKeys {
    int up = 0, down = 0, left = 0, right = 0, enter = 0, keypad_enter = 0, esc = 0, pause = 0;
    int cursor_left = 0, cursor_right = 0, page_up = 0, page_down = 0;
};

// Not a key: the main loop sends it when the mouse moves with its button held.
enum { MENU_MOUSE_DRAG = 16, LIST_PAGE_ROWS = 20, CHAT_HISTORY = 100, CHAT_LINE = 120 };

enum RowKind { ROW_BUTTON, ROW_SLIDER, ROW_CHOICE, ROW_CHOOSER, ROW_TEXT, ROW_BINDING, ROW_LIST };

// One row of the open page, with its place in the page's grid (units of one
// text line) and, once laid out, its rectangle in window pixels.
struct MenuRow {
    RowKind kind = ROW_BUTTON;
    const char *label = "";
    MenuItem *item = nullptr; // sliders, choices, text fields and bindings
    int action = 0;           // what activating a button does
    int entry = -1;           // list rows: the entry's index in its list, -1 for none
    std::string text;         // list rows: the entry's name
    float x = 0, y = 0, width = 15, grid = 32;
    float label_fraction = 0.5f;
    bool green = false;                // "Start" and "Enter Next Event"
    int rect[4] = {-1, -1, -1, -1};    // left, top, right, bottom
    int bar_left = -1, bar_right = -1; // sliders: the bar's ends in pixels
};

// What the menus reach outside the settings; the game fills it at start-up.
struct MenuContext {
    MenuKeys keys;                                       // looked up at start-up
    AxisHandle *cursor_x = nullptr, *cursor_y = nullptr; // the pointer in window pixels
    Config *config = nullptr;
    Window *window = nullptr;
    Sim *sim = nullptr;
    SeriesList *series = nullptr; // the points series and the event entered for the standings
    NetClient *net = nullptr;
    TrackList *tracks = nullptr;
    const DemoList *demos = nullptr;
    int *lineup = nullptr; // the 40 start slots of the next race
    int rotate_lineup = 0; // --rotate-lineup
    int debug = 0;         // log level
    bool practice = false, learning = true;
    int *roost_frequency = nullptr; // the roost setting in effect
    bool detected_fbo = false, detected_shaders = false;
    ViewCameras *cameras = nullptr;      // the free camera is aimed by the console's "camangle"
    RenderStats *render_stats = nullptr; // "renderstats" shows them and starts their maxima afresh
    double *min_frame_time = nullptr, *max_frame_time = nullptr;
    EngineSounds *sounds = nullptr; // the console's "pipe" re-tunes a voice
};

struct Menus {
    int page = PAGE_MAIN;
    int selected = 0;
    bool page_changed = false;
    bool quit = false;
    int return_page = PAGE_MAIN;
    MenuItem *chooser = nullptr;
    const char *chooser_title = "";
    int chooser_list_page = 0, demo_list_page = 0, series_list_page = 0;
    ControlBinding *capturing = nullptr;
    std::vector<AxisHandle *> capture_axes;
    std::vector<float> capture_rest; // each capture axis's value when the capture began
    const char *const *capture_names = nullptr;
    int history_browse = -1;
    bool description_changed = false;
    MenuItem track; // the track choice, kept in step with the track list
    MenuKeys keys;
    std::vector<MenuRow> rows;      // the open page's rows, rebuilt on every use
    int width = 1280, height = 960; // the window the rows are laid out in
    float cursor_x = -1, cursor_y = -1;

    // The chat page and console.
    MenuItem chat_field;
    char history[CHAT_HISTORY][CHAT_LINE] = {};
    int history_count = 0, history_index = 0;
    int scrollback = 0;
    double last_chat = -1e9;

    Menus()
    {
        chat_field.label = ">";
        chat_field.kind = ITEM_TEXT;
        chat_field.max_length = CHAT_LINE - 1;
    }
};

// Sets up the menus on page 0 (closed when `open` is false) with the track
// choice built from the track list.
void menus_init(Menus *menus, const MenuContext &context, bool open);

// The track choice follows the track list's selection (a series event
// chose its track).
void menus_sync_track(Menus *menus, const MenuContext &context);

// Opens a page with its first row selected.
void menu_set_page(Menus *menus, int page);

// The menu handler: one pressed event (or MENU_MOUSE_DRAG) on the open page.
void menu_key(Menus *menus, MenuContext *context, int code);

// Selects the row under the pointer (window pixels).
void menu_hover(Menus *menus, MenuContext *context, float x, float y);

// Rebuilds the open page's rows and lays them out in the window.
void menu_layout(Menus *menus, MenuContext *context, int width, int height);

// Draws the open page over the whole window (GL).
void menu_draw(Menus *menus, MenuContext *context, int width, int height);

// Starts capturing a control binding: opens every absolute axis and notes
// where each rests (its centre, or an end for triggers and pedals).
void capture_start(Menus *menus, MenuContext *context, ControlBinding *binding);

// Ends a capture: closes the axes opened for it.
void capture_end(Menus *menus, const MenuContext &context);

// Binds the capturing binding to a key; false (nothing bound) for a code
// without a key name.
bool capture_key(Menus *menus, MenuContext *context, int code);

// Reads the capture's axes; an axis resting near its centre and moved more
// than half-way over is bound with the range for its direction; one resting
// beyond half-way (a trigger or pedal) and moved across the middle to the
// far half is bound over its whole travel from that end. Either ends the
// capture. True when one was bound.
bool capture_axes_step(Menus *menus, MenuContext *context);

// Applies a changed set-up row to the player's rider when the watched slot
// holds it; otherwise it reaches the player at the next race.
void apply_setup_change(MenuContext *context);
