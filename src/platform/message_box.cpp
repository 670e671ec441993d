// fatal_box through SDL's simple message box.
#include "platform/message_box.h"

#include "platform/fatal.h"

#include <SDL.h>

namespace
{

bool sdl_message_box(const char *title, const char *text)
{
    return SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title, text, nullptr) == 0;
}

} // namespace

void message_box_install()
{
    set_message_box_presenter(sdl_message_box);
}
