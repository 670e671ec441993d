// The chat page and the console: a one-line text field under the scroll-back
// of the message log. A line beginning with "/" or "\" is a console command;
// any other line is chat sent to the race server.
#pragma once

#include "ui/menu.h"

// Edits a text field with one key: arrows move the cursor, Backspace and
// Delete remove, printable characters insert (or overwrite).
void text_field_key(MenuItem *field, const MenuKeys &keys, int code);

// The chat page's key handler.
void chat_key(Menus *menus, MenuContext *context, int code);

// Submits the chat field's line: runs a command or sends chat.
void chat_submit(Menus *menus, MenuContext *context);

// Draws the chat page (GL).
void chat_draw(Menus *menus, MenuContext *context, int width, int height);
