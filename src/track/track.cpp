// Loading and unloading the whole track, and its identity digest.
//
// The digest covers what the riding depends on: "terrain.hf", "terrain.png",
// "texturelist", "tilemap", "tileinfo", "timing_gates", "statues" and the
// statues' collision shape files, not the looks (shading, textures,
// billboards, models, lighting, decals).
#include "track/track.h"

#include "files/game_file.h"
#include "files/renderer.h"
#include "files/texture.h"
#include "platform/log.h"
#include "platform/messages.h"
#include "track/shape.h"
#include "track/track_list.h"
#include "track/track_settings.h"

#include <atomic>
#include <set>

namespace
{

// Adds the whole (inflated) contents of a game file; a missing file adds
// nothing.
void digest_file(Digest *digest, const std::string &name)
{
    GameFile *f = gf_open(name.c_str(), "rb");
    if (!f)
        return;
    uint8_t block[1024];
    size_t n;
    while ((n = gf_read(f, block, sizeof block)) > 0)
        digest_update(digest, block, n);
    gf_close(f);
}

void log_memory(const char *format)
{
    if (track_settings.verbose >= 1)
        zeph_log(format, (unsigned long)texture_memory());
}

} // namespace

int load_track(Track *track, const std::string &folder, const std::string &display_name)
{
    static std::atomic<int> serials{0};
    unload_track(track);
    track->folder = folder;
    track->display_name = display_name.empty() ? track_description(folder) : display_name;
    Digest digest;
    digest_init(&digest);
    // Textures and models the previous track alone used become stale.
    texture_generation_advance();
    renderer().new_track();
    renderer().loading_screen("Loading track...");

    for (const char *name : {"terrain.hf", "terrain.png", "texturelist", "tilemap", "tileinfo"})
        digest_file(&digest, track_file(folder, name));
    if (track_settings.verbose >= 1)
        zeph_log("Loading '%s'\n", track_file(folder, "").c_str());
    if (!load_terrain(&track->terrain, folder)) {
        track->folder.clear();
        track->display_name.clear();
        return 0;
    }
    log_memory("%lu bytes texture memory used after hf creation\n");

    digest_file(&digest, track_file(folder, "timing_gates"));
    load_timing_gates(track, folder);
    for (int k = 0; k < ROOST_BILLBOARDS; ++k)
        add_billboard(track, 0, 0, 0, 1, 1, nullptr);
    load_flaggers(track, folder);
    log_memory("%lu bytes texture memory used after flagger creation\n");
    track->objects.first_track_billboard = track->objects.billboards.size();
    track->objects.first_track_statue = track->objects.statues.size();
    load_billboards(track, folder);
    log_memory("%lu bytes texture memory used after billboard creation\n");
    digest_file(&digest, track_file(folder, "statues"));
    load_statues(track, folder);
    log_memory("%lu bytes texture memory used after statue creation\n");
    load_lighting(track, folder);
    track->map_texture = load_texture(track_file(folder, "map.png").c_str());
    rebin_statues(track);

    std::set<std::string> shapes;
    for (const Statue &s : track->objects.statues)
        if (s.shape && shapes.insert(s.shape_name).second)
            digest_file(&digest, s.shape_name);
    digest_final(&digest, track->digest);
    track->serial = ++serials;
    return 1;
}

void unload_track(Track *track)
{
    if (track->folder.empty() && track->terrain.heights.empty())
        return;
    zeph_log("Deallocating track\n");
    free_terrain(&track->terrain);
    track->objects = TrackObjects();
    track->map_texture = 0;
    track->folder.clear();
    track->display_name.clear();
    track->serial = 0;
    zeph_log("Finished deallocating track\n");
}

void save_track_info(const Track &track)
{
    if (track.folder.empty())
        return;
    std::string name = "@" + track.folder + ".trackinfo";
    GameFile *f = gf_open(name.c_str(), "wb");
    if (!f)
        return;
    const TimingGates &g = track.objects.gates;
    gf_printf(f, "dir=%s\n", track.folder.c_str());
    gf_printf(f, "longname=%s\n", track.display_name.c_str());
    gf_printf(f, "firstlap=%d\n", g.first_lap_count);
    gf_printf(f, "normallap=%d\n", g.normal_lap_count);
    gf_printf(f, "hash=%s\n", digest_hex(track.digest).c_str());
    gf_close(f);
    show_message(("Track info saved to " + track.folder + ".trackinfo").c_str());
}
