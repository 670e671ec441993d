// The track editor: the loaded track seen from above as a map, with a panel
// of tools and settings. Brushes reshape the ground, gradients (guide lines
// with an editable height profile) press ramps into it, and the object
// tools move timing gates and place billboards, statues, tiles and decals.
// Eight undo levels keep the ground; saving writes every track file; "p"
// exports a POV-Ray scene.
#pragma once

#include "ui/menu.h"

#include <string>
#include <vector>

struct Track;

enum EditorTool {
    TOOL_RAISE,
    TOOL_LOWER,
    TOOL_SMOOTH,
    TOOL_SMUDGE,
    TOOL_SNAP,
    TOOL_LINEAR_PAINT,
    TOOL_LINEAR_ADD,
    TOOL_RADIAL_PAINT,
    TOOL_RADIAL_ADD,
    TOOL_GRADIENT_PLACEMENT,
    TOOL_GRADIENT_EDIT,
    TOOL_TIMING_GATE,
    TOOL_BILLBOARDS,
    TOOL_STATUES,
    TOOL_TILEMAP,
    TOOL_DECALS,
    EDITOR_TOOLS
};

// Panel items after the 16 tool buttons.
enum EditorItem {
    ITEM_SUBMODE = 16,
    ITEM_SAVE,
    ITEM_ZOOM,
    ITEM_STRENGTH,
    ITEM_FOCUS,
    ITEM_RADIUS,
    ITEM_BILLBOARD_SPACING,
    ITEM_HEIGHT,
    ITEM_NEW_GRADIENT,
    ITEM_SEGMENT_TYPE,
    ITEM_GRANULARITY,
    ITEM_SET_FROM_TERRAIN,
    ITEM_FLATTEN,
    ITEM_TILE,
    ITEM_DECAL_SPACING,
    ITEM_ORIENTATION,
    EDITOR_ITEMS
};

enum { UNDO_LEVELS = 8 };

struct Gradient {
    float start[2] = {}, end[2] = {}; // x, z
    std::vector<float> t, v;          // the profile, t ascending from 0
    std::vector<unsigned char> kind;  // segment from point i: 0 line, 1 curve
};

struct Editor {
    Track *track = nullptr;
    int serial = 0;               // the load of the track it was opened on
    std::vector<float> reference; // heights at the last commit
    std::vector<float> undo_heights[UNDO_LEVELS];
    std::vector<unsigned char> undo_shading[UNDO_LEVELS];
    int undo_index = 0, undo_count = 0;
    bool dirty = false;
    int revision = 0; // counts changes of the ground (the map redraws on a new one)
    float centre[2] = {};
    int tool = TOOL_RAISE;
    int hovered = -1;
    int button = 0; // 0 idle, 1 on the map, item + 65536 on a panel item
    int steps = 0;  // since the left button went down
    bool panning = false;
    float last_pointer[2] = {};
    int drag = 0;
    float trail[2] = {};
    std::vector<Gradient> gradients;
    int gradient = -1, point = -1;
    int billboard = -1, placed = -1, checkpoint = -1, statue = -1, decal = -1;
    std::string message = "OK";
    MenuItem items[EDITOR_ITEMS]; // the panel's sliders and choices (tools unused)
    int panel_rect[EDITOR_ITEMS][4] = {};
    // The pointer and window, as the main loop last gave them.
    float pointer[2] = {};
    bool pointer_moved = false;
    int width = 1024, height = 768;
};

// Opens the editor on a loaded track: reference heights, one undo level,
// the track's "edinfo" gradients.
void editor_open(Editor *editor, Track *track);

// Lets everything go.
void editor_close(Editor *editor);

// Whether the editor is open on this track.
bool editor_is_open(const Editor &editor, const Track *track);

// One key or button event; true when the editor used it.
bool editor_key(Editor *editor, const MenuKeys &keys, int code, bool pressed);

// Once per simulation step in the editor view.
void editor_step(Editor *editor);

// Draws the map, the overlays and the panel (GL).
void editor_draw(Editor *editor, int width, int height);

// The Snap tool's block under the pointer: grid points i0..i1 by j0..j1,
// `size` intervals a side (clamped to the grid); false when it is empty.
bool snap_block(const Editor &editor, int *i0, int *j0, int *i1, int *j1, int *size);

// The width of the editor's panel down the left side, in pixels, for a
// window of a height.
float editor_panel_width(int height);

// The ground as it is becomes an undo level.
void editor_commit(Editor *editor);

// Undoes the ground to the level before; false when there is none.
bool editor_undo(Editor *editor);

// Saves every track file and "edinfo"; false when a file could not be written.
bool editor_save(Editor *editor);

// Writes "<track>/track.pov"; false when it cannot be made.
bool editor_export_pov(Editor *editor);

// The world (x, z) under a window pixel.
void editor_to_world(const Editor &editor, float px, float py, float *x, float *z);

// One world unit per this many... the pixel size in world units, and the
// pick distance p (objects within p/2 of the pointer are grabbed).
float editor_pixel(const Editor &editor);
float editor_pick(const Editor &editor);

// Reads "edinfo" lines ("add_gradient SX SZ EX EZ", "add_point KIND T V")
// into gradients; points out of order or before any gradient are left out.
// Returns the index of the last gradient read, -1 for none.
struct GameFile;
int edinfo_read(std::vector<Gradient> *gradients, GameFile *file);

// A POV-Ray identifier made from a file name.
std::string pov_identifier(const std::string &name);

// Tools (editor_tools.cpp).
void tool_press(Editor *editor);
void tool_step(Editor *editor);
void tool_release(Editor *editor);
bool tool_key(Editor *editor, int code);
void gradient_flatten(Gradient *gradient);
float gradient_value(const Gradient &gradient, float t);
void gradient_from_terrain(Editor *editor);
