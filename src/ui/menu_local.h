// Shared by the menu's own files: the actions of buttons and the page grid.
#pragma once

#include "ui/menu.h"

#include <string>
#include <vector>

// What a button does: a page number below ACT_FIRST, else one of these.
enum MenuAction {
    ACT_FIRST = 100,
    ACT_QUIT = ACT_FIRST,
    ACT_START_RACE,
    ACT_START_TRIAL,
    ACT_CANCEL,
    ACT_PREV_PAGE,
    ACT_NEXT_PAGE,
    ACT_LIST_ENTRY,
    ACT_CONNECT,
    ACT_RESTART,
    ACT_SWITCH_MODE,
    ACT_SERIES_ENTER,
    ACT_SERIES_PRACTICE,
    ACT_SERIES_RESET,
    ACT_PAD_DEFAULTS,
};

// A page's grid: `lines` units tall in the largest centred 4:3 rectangle.
struct MenuGrid {
    float unit = 1, left = 0, top = 0;
    float x(float units) const { return left + units * unit; }
    float y(float units) const { return top + units * unit; }
};
MenuGrid menu_grid(int width, int height, float lines);

// Fills the open page's rows (not yet laid out).
void menu_build_rows(Menus *menus, MenuContext *context);

// The width in grid units of a slider's value box: the text of
// max(maximum, 1000) printed with "%.2f".
float slider_box_width(const MenuItem &item);

// The names of the points series on the series list.
std::vector<std::string> series_names(const MenuContext &context);

// Activates a button or list row of the open page.
void menu_act(Menus *menus, MenuContext *context, const MenuRow &row);

// "page up" (older) or "page down" (newer) on the Server field.
void browse_server_history(Menus *menus, Config *config, bool older);

// The open list page's entry count, its last block of 20, and the block shown.
int menu_list_size(const Menus &menus, const MenuContext &context);
int menu_last_list_page(const Menus &menus, const MenuContext &context);
int *menu_list_page(Menus *menus);
