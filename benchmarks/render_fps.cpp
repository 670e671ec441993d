// render_fps: frames per second of the game's views with 40 riders on a
// track's starting gate, at 640 x 480 and 1280 x 720.
//
//   render_fps [TRACK...]     (track folders; Rabbit Hill when none)
//
// Needs a display (run it under xvfb-run for the software renderer's
// figures).
#include "core/settings.h"
#include "core/view_draw.h"
#include "files/texture.h"
#include "physics/world.h"
#include "platform/window.h"
#include "race/race.h"
#include "render/gl_caps.h"
#include "render/hud.h"
#include "render/model.h"
#include "render/projection.h"
#include "render/rider_looks.h"
#include "render/shaders.h"
#include "render/terrain_render.h"
#include "render/text.h"
#include "render/texture_gl.h"
#include "track/track.h"
#include "ui/config.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{

double frames_per_second(Window *window, const Sim &sim, ViewMode view, const Config &config,
                         const GameSettings &settings, int frames)
{
    auto start = std::chrono::steady_clock::now();
    for (int n = 0; n < frames; ++n) {
        const FrameInfo *frame = frame_begin(window);
        if (!frame)
            return 0;
        set_projection(frame->width, frame->height, 90);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        draw_view(sim, view, ViewCameras(), config, settings);
        hud_draw_rider(sim, sim.race.watched_slot, false);
        glFinish();
        frame_end(window);
    }
    return frames / std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char **argv)
{
    // The tracks to draw: the command line's, else Rabbit Hill.
    std::vector<std::string> folders(argv + 1, argv + argc);
    if (folders.empty())
        folders.push_back("rabbithill");
    if (!getenv("RV_HOME"))
        setenv("RV_HOME", GAME_DIR, 1);
    std::string home = "/tmp/render_fps_home";
    setenv("XDG_DATA_HOME", home.c_str(), 1);
    GameSettings settings;
    const int sizes[2][2] = {{640, 480}, {1280, 720}};
    printf("%-12s %-10s %-8s %-6s %8s  %s\n", "track", "size", "shaders", "view", "fps", "triangles drawn");
    for (const std::string &folder : folders)
        for (const auto &size : sizes) {
            for (int shaders : {1, 0}) {
                Config config;
                config_defaults(&config);
                config.use_shader.index = shaders;
                Window *window = gl_window_create("render_fps", size[0], size[1], 0x100 | 32, 0, 16, 0, 0);
                if (!window) {
                    fprintf(stderr, "render_fps: can't open a window (is there a display?)\n");
                    return 1;
                }
                // Each window has its own context: nothing cached survives it.
                forget_textures();
                forget_models();
                renderer_start(config, settings, nullptr);
                Track track;
                Sim sim;
                sim_create(&sim, &track);
                sim.settings.track_folder = folder;
                int lineup[SLOTS];
                for (int &value : lineup)
                    value = LINEUP_ROBOT;
                if (!race_start(&sim, lineup, false, false, 0, 3, 0, 1)) {
                    fprintf(stderr, "render_fps: can't start a race on %s\n", folder.c_str());
                    return 1;
                }
                for (int n = 0; n < 128; ++n)
                    sim_tick(&sim);
                for (ViewMode view : {RIDER_VIEW, CHASE_VIEW}) {
                    frames_per_second(window, sim, view, config, settings, 10); // warm up, ground painted
                    double fps = frames_per_second(window, sim, view, config, settings, 300);
                    printf("%-12s %4dx%-5d %-8s %-6s %8.1f  ground %d, models %d triangles\n", folder.c_str(), size[0],
                           size[1], gl_caps.has_fragment_shader ? "on" : "off", view == RIDER_VIEW ? "rider" : "chase",
                           fps, ground.triangles, model_triangles_drawn);
                }
                looks_clear();
                sim_destroy(&sim);
                unload_track(&track);
                gl_window_destroy(window);
            }
        }
    printf("(40 riders on each track's gate: sky, painted ground, statues, riders, billboards, HUD)\n");
    return 0;
}
