#include "fuzz_track.h"

#include "fuzz_target.h"
#include "track/small_track.h"
#include "track/track.h"

#include <string>

void fuzz_track_with(const std::string &file, const uint8_t *data, size_t size)
{
    static bool written;
    if (!written) {
        for (const auto &f : small_track_files("small"))
            fuzz_write(f.first, f.second);
        written = true;
    }
    if (!file.empty())
        fuzz_write("small/" + file, data, size);
}

void fuzz_load_track()
{
    Track track;
    if (load_track(&track, "small", "")) {
        const Terrain &t = track.terrain;
        float sum = 0;
        auto ask = [&](float x, float z) {
            sum += terrain_height(t, x, z) + terrain_normal(t, x, z).y + terrain_average_height(t, x, z, 10);
            sum += (float)terrain_tile_at(t, x, z);
        };
        for (const Billboard &b : track.objects.billboards)
            ask(b.x, b.z);
        for (const Statue &s : track.objects.statues)
            ask(s.x, s.z);
        for (const StartPosition &p : track.objects.gates.starts)
            ask(p.x, p.z);
        for (const Checkpoint &c : track.objects.gates.checkpoints)
            ask(c.centre[0], c.centre[2]);
        for (const Decal &d : t.decals)
            ask(d.x, d.z);
        for (int n = 0; n < 40; ++n) {
            int entry = gate_sequence(track.objects.gates, n);
            if (entry >= 0)
                sum += track.objects.gates.checkpoints[entry % UNTIMED_GATE].radius;
        }
        rebin_statues(&track);
        volatile float keep = sum;
        (void)keep;
    }
    unload_track(&track);
}
