// The game window on SDL2: an OpenGL compatibility context (fixed function
// and ARB shader objects both work), display modes and the frame bracket.
// Events are read on the game thread in pump_messages.
#include "platform/window_local.h"

#include "platform/clock.h"
#include "platform/close_request.h"
#include "platform/keys.h"
#include "platform/log.h"
#include "platform/names.h"
#include "platform/options.h"

#include <climits>
#include <cstdlib>
#include <cstring>

namespace
{

std::vector<DisplayMode> mode_list;

// Whether a display may be there at all; probing for one without any
// prints library noise on standard error.
bool display_named()
{
    return getenv("DISPLAY") || getenv("WAYLAND_DISPLAY") || getenv("SDL_VIDEODRIVER");
}

// SDL falls back to drawing off screen when there is no display; a player
// would see nothing, so that counts as no display unless asked for by name.
bool real_display()
{
    const char *driver = SDL_GetCurrentVideoDriver();
    if (!driver)
        return false;
    bool invisible = strcmp(driver, "offscreen") == 0 || strcmp(driver, "dummy") == 0;
    return !invisible || getenv("SDL_VIDEODRIVER");
}

bool usable_depth(int bits)
{
    return bits == 8 || bits == 15 || bits == 16 || bits == 24 || bits == 32;
}

void build_mode_list()
{
    if (!mode_list.empty())
        return;
    // The list may be asked for before the window exists.
    if (!display_named() || SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        mode_list.push_back({0, 0, 0});
        return;
    }
    if (!real_display()) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        mode_list.push_back({0, 0, 0});
        return;
    }
    SDL_DisplayMode desktop;
    if (SDL_GetDesktopDisplayMode(0, &desktop) == 0) {
        int bits = SDL_BITSPERPIXEL(desktop.format);
        bool used = usable_depth(bits);
        zeph_log(used ? "Registry mode is %dx%dx%d@%dhz\n" : "Registry mode is %dx%dx%d@%dhz (ignored)\n", desktop.w,
                 desktop.h, bits, desktop.refresh_rate);
        if (used)
            mode_list.push_back({desktop.w, desktop.h, bits});
    }
    int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode m;
        if (SDL_GetDisplayMode(0, i, &m) != 0)
            continue;
        int bits = SDL_BITSPERPIXEL(m.format);
        if (!usable_depth(bits)) {
            zeph_log("Found mode %dx%dx%d@%dhz (ignored)\n", m.w, m.h, bits, m.refresh_rate);
            continue;
        }
        bool listed = false;
        for (const DisplayMode &d : mode_list)
            listed = listed || (d.width == m.w && d.height == m.h && d.bits == bits);
        if (listed)
            continue;
        zeph_log("Found mode %dx%dx%d@%dhz\n", m.w, m.h, bits, m.refresh_rate);
        mode_list.push_back({m.w, m.h, bits});
    }
    mode_list.push_back({0, 0, 0});
    // The display connection stays open for the window that follows: an X
    // server that just lost its last client resets and refuses connections
    // for a moment, so closing here could lose the window.
}

DisplayMode desktop_mode()
{
    SDL_DisplayMode d;
    if (SDL_GetDesktopDisplayMode(0, &d) == 0)
        return {d.w, d.h, (int)SDL_BITSPERPIXEL(d.format)};
    return {640, 480, 32};
}

void set_fullscreen(Window *w, int width, int height)
{
    w->in_mode_change = true;
    DisplayMode chosen = choose_fullscreen_mode(display_modes(), width, height);
    SDL_DisplayMode mode = {};
    SDL_GetDesktopDisplayMode(0, &mode);
    mode.w = chosen.width;
    mode.h = chosen.height;
    SDL_SetWindowDisplayMode(w->sdl, &mode);
    if (SDL_SetWindowFullscreen(w->sdl, SDL_WINDOW_FULLSCREEN) == 0) {
        w->fullscreen = true;
        w->mode_width = chosen.width;
        w->mode_height = chosen.height;
    } else {
        zeph_log("Can't go full-screen: %s\n", SDL_GetError());
    }
    w->in_mode_change = false;
}

void set_windowed(Window *w, int width, int height)
{
    w->in_mode_change = true;
    SDL_SetWindowFullscreen(w->sdl, 0);
    w->fullscreen = false;
    if (width <= 0 || height <= 0) {
        DisplayMode d = desktop_mode();
        width = d.width;
        height = d.height;
    }
    SDL_SetWindowSize(w->sdl, width, height);
    SDL_SetWindowPosition(w->sdl, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    w->in_mode_change = false;
}

void store_size(Window *w, int width, int height)
{
    std::lock_guard<std::mutex> guard(w->size_lock);
    w->client_width = width;
    w->client_height = height;
    zeph_log("WM_SIZE message %dx%d\n", width, height);
}

// The platform clock time of an SDL event (SDL counts from its own start).
void stamp(uint32_t sdl_timestamp, int *seconds, int *microseconds)
{
    uint32_t age = SDL_GetTicks() - sdl_timestamp;
    uint32_t ms = clock_ms();
    ms = age < ms ? ms - age : 0;
    *seconds = (int)(ms / 1000u);
    *microseconds = (int)(ms % 1000u) * 1000;
}

void handle_window_event(Window *w, const SDL_WindowEvent &e)
{
    switch (e.event) {
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        store_size(w, e.data1, e.data2);
        break;
    case SDL_WINDOWEVENT_CLOSE:
        queue_button(w, BUTTON_CLOSE, 1, e.timestamp);
        break;
    default:
        break;
    }
}

} // namespace

void queue_button(Window *w, int code, int pressed, uint32_t sdl_timestamp)
{
    InputEvent e = {code, pressed, 0, 0};
    stamp(sdl_timestamp, &e.seconds, &e.microseconds);
    event_queue_push(&w->events, e);
}

const DisplayMode *display_modes()
{
    build_mode_list();
    return mode_list.data();
}

DisplayMode choose_fullscreen_mode(const DisplayMode *modes, int width, int height)
{
    const DisplayMode *best = nullptr;
    long best_excess = LONG_MAX;
    for (const DisplayMode *m = modes; m->width || m->height; ++m) {
        if (m->width < width || m->height < height)
            continue;
        long excess = (long)m->width + m->height - width - height;
        if (excess < best_excess) {
            best = m;
            best_excess = excess;
        }
    }
    return best ? *best : desktop_mode();
}

Window *gl_window_create(const char *title, int width, int height, int flags, int alpha_bits, int depth_bits,
                         int stencil_bits, int accumulation_bits)
{
    // Our own SIGINT and SIGTERM handlers raise the close request.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    if (!display_named()) {
        zeph_log("No display to open a window on\n");
        return nullptr;
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        zeph_log("Can't open the display: %s\n", SDL_GetError());
        return nullptr;
    }
    if (!real_display()) {
        zeph_log("No display to open a window on\n");
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return nullptr;
    }
    build_mode_list();
    bool fullscreen_option = option_flag("fullscreen", 0) != 0;
    bool threaded = option_flag("threaded", 0) != 0;
    zeph_log("Options:\n");
    zeph_log("%10s [%s]\n", "threaded:", threaded ? "on" : "off");

    Window *w = new Window;
    w->title = title;
    w->threaded = threaded; // events are still read on the game thread
    w->may_fullscreen = !(flags & WINDOW_NEVER_FULLSCREEN);
    bool start_fullscreen = w->may_fullscreen && ((flags & WINDOW_FULLSCREEN) || fullscreen_option);
    w->requested_width = width;
    w->requested_height = height;
    if (width <= 0 || height <= 0) {
        DisplayMode d = desktop_mode();
        width = d.width;
        height = d.height;
    }

    int colour = flags & 0xff;
    int channel_bits = colour >= 24 ? 8 : colour == 16 ? 5 : colour == 15 ? 5 : 8;
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, channel_bits);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, colour == 16 ? 6 : channel_bits);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, channel_bits);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, alpha_bits);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depth_bits);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, stencil_bits);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_RED_SIZE, accumulation_bits / 4);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_GREEN_SIZE, accumulation_bits / 4);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_BLUE_SIZE, accumulation_bits / 4);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_ALPHA_SIZE, accumulation_bits / 4);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);

    zeph_log("Creating window\n");
    w->sdl = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height,
                              SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE);
    if (!w->sdl) {
        zeph_log("Can't create window!\n");
        zeph_log("%s\n", SDL_GetError());
        delete w;
        return nullptr;
    }
    SDL_GetWindowSize(w->sdl, &w->client_width, &w->client_height);

    input_init(w);
    cursor_device_add(w);
    alias_add("cursor-left", "Mouse Left");
    alias_add("cursor-middle", "Mouse Middle");
    alias_add("cursor-right", "Mouse Right");

    zeph_log("Creating OpenGL context\n");
    w->gl = SDL_GL_CreateContext(w->sdl);
    if (!w->gl) {
        zeph_log("Couldn't create OpenGL context\n");
        zeph_log("%s\n", SDL_GetError());
        input_close(w);
        SDL_DestroyWindow(w->sdl);
        delete w;
        return nullptr;
    }
    SDL_GL_MakeCurrent(w->sdl, w->gl);
    if (start_fullscreen)
        set_fullscreen(w, w->requested_width, w->requested_height);
    SDL_RaiseWindow(w->sdl);
    return w;
}

void gl_window_destroy(Window *w)
{
    if (!w)
        return;
    zeph_log("Deleting OpenGL context\n");
    SDL_GL_MakeCurrent(w->sdl, nullptr);
    SDL_GL_DeleteContext(w->gl);
    w->axis_names.clear();
    zeph_log("Closing input devices\n");
    input_close(w);
    zeph_log("Destroying window\n");
    if (w->fullscreen)
        SDL_SetWindowFullscreen(w->sdl, 0);
    SDL_DestroyWindow(w->sdl);
    zeph_log("Window shutdown complete\n");
    delete w;
    // The video subsystem stays up: shutting it down unloads the GL driver,
    // whose own allocations then can no longer be told apart from ours by
    // the leak checker. The process ends soon after.
}

const FrameInfo *frame_begin(Window *w)
{
    if (!w || !w->gl)
        return nullptr;
    uint32_t flags = SDL_GetWindowFlags(w->sdl);
    if (flags & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_HIDDEN))
        return nullptr;
    w->size_lock.lock();
    if (w->in_mode_change || w->client_width <= 0 || w->client_height <= 0) {
        w->size_lock.unlock();
        return nullptr;
    }
    w->frame = {0, w->client_width, w->client_height};
    return &w->frame;
}

int frame_end(Window *w)
{
    SDL_GL_SwapWindow(w->sdl);
    w->size_lock.unlock();
    return 1;
}

int window_set_mode(Window *w, int width, int height, int flags)
{
    if ((flags & WINDOW_FULLSCREEN) && w->may_fullscreen)
        set_fullscreen(w, width, height);
    else
        set_windowed(w, width, height);
    return 1;
}

void window_size(Window *w, int *width, int *height)
{
    std::lock_guard<std::mutex> guard(w->size_lock);
    *width = w->client_width;
    *height = w->client_height;
}

// The character a key types that SDL's text input leaves out, or 0.
static int control_character(SDL_Keycode key)
{
    switch (key) {
    case SDLK_BACKSPACE:
        return 8;
    case SDLK_TAB:
        return 9;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        return 13;
    case SDLK_ESCAPE:
        return 27;
    case SDLK_DELETE:
        return 127;
    default:
        return 0;
    }
}

void pump_messages(Window *w)
{
    SDL_PumpEvents();
    if (take_close_request())
        queue_button(w, BUTTON_CLOSE, 1, SDL_GetTicks());
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        switch (e.type) {
        case SDL_QUIT:
            queue_button(w, BUTTON_CLOSE, 1, e.quit.timestamp);
            break;
        case SDL_WINDOWEVENT:
            handle_window_event(w, e.window);
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            if (int scan = scan_code_from_sdl(e.key.keysym.scancode))
                queue_button(w, KEY_BASE + scan, e.type == SDL_KEYDOWN, e.key.timestamp);
            // Text input carries no control characters; the keys that type
            // them give their character after the key, repeats included.
            if (e.type == SDL_KEYDOWN)
                if (int c = control_character(e.key.keysym.sym))
                    queue_button(w, c, 1, e.key.timestamp);
            break;
        case SDL_TEXTINPUT: {
            // Characters of the Latin-1 range reach text entry as bytes.
            const unsigned char *t = (const unsigned char *)e.text.text;
            for (size_t i = 0; t[i];) {
                int c = t[i], length = 1;
                if (c >= 0xc0 && c < 0xe0 && (t[i + 1] & 0xc0) == 0x80) {
                    c = ((c & 0x1f) << 6) | (t[i + 1] & 0x3f);
                    length = 2;
                } else if (c >= 0x80) {
                    c = -1;
                    while (t[i + length] && (t[i + length] & 0xc0) == 0x80)
                        ++length;
                }
                if (c >= 0 && c < 256)
                    queue_button(w, c, 1, e.text.timestamp);
                i += length;
            }
            break;
        }
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            int code = e.button.button == SDL_BUTTON_LEFT     ? BUTTON_MOUSE_LEFT
                       : e.button.button == SDL_BUTTON_MIDDLE ? BUTTON_MOUSE_MIDDLE
                       : e.button.button == SDL_BUTTON_RIGHT  ? BUTTON_MOUSE_RIGHT
                                                              : 0;
            if (code)
                queue_button(w, code, e.type == SDL_MOUSEBUTTONDOWN, e.button.timestamp);
            input_handle_sdl_event(w, e);
            break;
        }
        default:
            input_handle_sdl_event(w, e);
            break;
        }
    }
}

void *gl_proc_address(const char *name)
{
    return SDL_GL_GetProcAddress(name);
}
