// Drawing one frame of the game: the 3-D views, the text over them,
// screenshots and raw video frames.
#include "core/view_draw.h"

#include "core/settings.h"
#include "files/file_index.h"
#include "files/image.h"
#include "files/texture.h"
#include "net/client.h"
#include "physics/rider.h"
#include "platform/clock.h"
#include "platform/log.h"
#include "platform/messages.h"
#include "platform/window.h"
#include "race/race.h"
#include "render/billboards.h"
#include "render/camera.h"
#include "render/gl_caps.h"
#include "render/gl_renderer.h"
#include "render/hud.h"
#include "render/lens_flares.h"
#include "render/model.h"
#include "render/projection.h"
#include "render/rider_bones.h"
#include "render/rider_draw.h"
#include "render/rider_looks.h"
#include "render/scene.h"
#include "render/shaders.h"
#include "render/sky.h"
#include "render/statues.h"
#include "render/terrain_render.h"
#include "render/text.h"
#include "render/texture_gl.h"
#include "track/track.h"
#include "track/track_settings.h"
#include "ui/config.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

// What the status overlay shows this frame.
StatusInfo status_info(const Sim &sim, ViewMode view, FrameRate *rate, RenderStats *render_stats, const Config &config,
                       const NetClient &client)
{
    const RaceState &race = sim.race;
    StatusInfo info;
    double now = clock_seconds();
    ++rate->frames;
    if (now - rate->since >= 0.5) {
        rate->fps = (int)std::lround(rate->frames / (now - rate->since));
        rate->frames = 0;
        rate->since = now;
    }
    if (config.draw_fps)
        info.fps = rate->fps;
    if (config.draw_time && view != TITLE_VIEW)
        info.race_ticks = std::max(0, race.tick - race.start_tick);
    if (config.draw_ping && net_connected(client)) {
        info.ping_ms = net_ping_ms(client, sim, race.watched_slot);
        info.offset_ms = net_offset_ms(client, sim);
    }
    info.render_stats = render_stats;
    for (int age = message_log.visible - 1; age >= 0; --age)
        info.messages.push_back(message_log_line(age));
    if (view != TITLE_VIEW)
        info.board = results_board(sim);
    return info;
}

// A line of white text centred on the screen, `line` lines below the middle.
void draw_screen_text(const char *text, int line)
{
    float height = view_extents.y / 10;
    glDisable(GL_DEPTH_TEST);
    glPushMatrix();
    glTranslatef(0, -height * (float)line, -1);
    glScalef(height, height, 1);
    text_draw_centred(1, 1, 1, 1, -view_extents.x / height, view_extents.x / height, text);
    glPopMatrix();
}

// One raw frame on standard output for an external encoder: a PPM header,
// then the rows from the top of the screen down.
bool write_video_frame(int width, int height)
{
    std::vector<unsigned char> pixels((size_t)width * height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    bool written = printf("P6\n%d %d\n255\n", width, height) > 0;
    for (int y = height - 1; y >= 0 && written; --y)
        written = fwrite(&pixels[(size_t)y * width * 3], 1, (size_t)width * 3, stdout) == (size_t)width * 3;
    return fflush(stdout) == 0 && written;
}

void take_screenshot(int *number, int w, int h)
{
    if (*number < 0) {
        unsigned largest = 0;
        for (const char *const *n = gf_list_names(); *n; ++n) {
            unsigned number;
            if (sscanf(*n, "screenshot%u", &number) == 1)
                largest = std::max(largest, number);
        }
        *number = (int)largest + 1;
    }
    std::vector<uint8_t> pixels((size_t)w * h * 3), rows(pixels.size());
    glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    for (int y = 0; y < h; ++y) // GL reads bottom up
        std::copy(&pixels[(size_t)(h - 1 - y) * w * 3], &pixels[(size_t)(h - y) * w * 3], &rows[(size_t)y * w * 3]);
    char name[64];
    snprintf(name, sizeof name, "screenshot%03d.png", (*number)++);
    if (write_rgb_png((std::string("@") + name).c_str(), rows.data(), w, h))
        show_messagef("Saved \"%s\"", name);
}

CameraSettings camera_settings(const Config &config, const GameSettings &settings)
{
    CameraSettings c;
    std::copy(settings.chase_center, settings.chase_center + 3, c.chase_center);
    c.rigid_chase = config.rigid_camera.index == 1;
    c.first_person_height = (float)config.first_person_height.value;
    c.first_person_angle = (float)config.first_person_angle.value;
    return c;
}

// The 3-D view of the frame: from the rider's eyes, the chase camera or
// the free camera.
void draw_view(const Sim &sim, ViewMode view, const ViewCameras &cameras, const Config &config,
               const GameSettings &settings)
{
    const RaceState &race = sim.race;
    int slot = race.watched_slot;
    const Rider *watched = race.slots[slot].rider;
    SceneOptions options;
    options.billboard_lookahead = config.billboard_optimize_lookahead;
    options.lens_flares = config.lens_flare.index == 1;
    options.model_detail = (float)config.model_detail.value;
    options.lod_scale = settings.lod_scale;
    options.lod_bias = settings.lod_bias;
    options.ghost_fade_distance = (float)config.ghost_fade_distance.value;
    options.fugly = settings.fugly;
    options.line_table = settings.debug >= 2;
    options.viewing_mode = config.hide_rider.index == 1 ? DRAW_FIRST_PERSON : DRAW_FIRST_PERSON_BODY;
    CameraSettings camera = camera_settings(config, settings);
    SceneCamera eye;
    if (view == RIDER_VIEW && watched)
        draw_first_person_view(sim, watched->bodies[RIDER_TORSO], slot, camera.first_person_height,
                               camera.first_person_angle, options);
    else if ((view == CHASE_VIEW || view == FREE_VIEW) && view_scene_camera(sim, view, cameras, camera, &eye))
        draw_scene(sim, eye, -1, options);
}

// Sets the GL state, shaders, texture and model caches and the ground
// renderer up for the configuration; returns what the driver offered
// before the configuration turned anything off.
GlOffer renderer_start(const Config &config, const GameSettings &settings, void (*loading_screen)(const char *text))
{
    gl_caps_init();
    zeph_log("GL_VENDOR: %s\n", gl_caps.vendor.c_str());
    zeph_log("GL_RENDERER: %s\n", gl_caps.renderer.c_str());
    zeph_log("GL_VERSION: %s\n", gl_caps.version.c_str());
    zeph_log("GL_EXTENSIONS: %s\n", gl_caps.extensions.c_str());
    GlOffer offer = {gl_caps.has_fbo != 0, gl_caps.has_fragment_shader != 0};
    if (config.use_fbo.index == 0)
        gl_caps.has_fbo = 0;
    if (config.ground_mipmaps.index == 0)
        gl_caps.has_generate_mipmap = 0;
    if (config.use_shader.index == 0)
        gl_caps.has_fragment_shader = gl_caps.has_vertex_shader = 0;
    else if (gl_caps.has_fragment_shader)
        shaders_init();

    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0.196078f, 0.6f, 0.8f, 0);
    glEnable(GL_CULL_FACE);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    if (settings.fugly)
        glShadeModel(GL_FLAT);

    gl_renderer_install(loading_screen);
    texture_settings(settings.model_texture_detail, settings.debug >= 1);
    model_settings(settings.lod_scale, settings.lod_bias, !settings.no_vertex_arrays, true, settings.debug >= 1);
    terrain_render_settings(settings.terrain_detail,
                            {settings.ground_texture_dim, settings.ground_texture_detail,
                             config.ground_mipmaps.index == 1, gl_caps.has_fbo != 0, settings.debug >= 1},
                            !settings.no_vertex_arrays);
    // Riders and statues look for normal and specular maps only where the
    // shaders can use them.
    LookSettings looks;
    looks.rider_maps = gl_caps.has_fragment_shader != 0;
    looks.statue_normal_maps = !gl_caps.has_fragment_shader || gl_caps.texture_units >= 2;
    looks.statue_specular_maps = !gl_caps.has_fragment_shader || gl_caps.texture_units >= 3;
    looks_configure(looks);
    track_settings.verbose = settings.debug;
    track_settings.editor = settings.editor;
    for (const char *image : {"!@tach.png", "!@shifter.png", "!@pitboard.png", "!@title.ppm"})
        load_texture(image);
    fonts_load();
    return offer;
}
