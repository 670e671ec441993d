// physics_tick: the cost of one simulation tick of 40 bikes resting on the
// generated Rabbit Hill track (ground contacts plus the world step), against
// the bare world step of the same bodies and joints.
#include "files/paths.h"
#include "physics/contact.h"
#include "physics/rider.h"
#include "physics/world.h"
#include "track/track.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main()
{
    if (!getenv("RV_HOME"))
        setenv("RV_HOME", GAME_DIR, 1);
    if (!load_track("rabbithill", "")) {
        fprintf(stderr, "physics_tick: can't load rabbithill from '%s'\n", getenv("RV_HOME"));
        return 1;
    }
    physics_world_create();
    std::vector<Rider *> riders;
    const StartPosition *starts = track.objects.gates.starts.data();
    for (int k = 0; k < 40; ++k) {
        Rider *r = rider_create("yz250f(2009)", k, "1", nullptr, nullptr, nullptr, nullptr);
        const StartPosition &p = starts[k % track.objects.gates.starts.size()];
        rider_place(r, p.x, p.z, p.angle);
        riders.push_back(r);
    }
    auto tick = [&](int n) {
        for (Rider *r : riders)
            rider_ground_contacts(r);
        dWorldQuickStep(physics_world.world, 1.0 / 128);
        dJointGroupEmpty(physics_world.contacts);
        for (Rider *r : riders)
            rider_step(r, true, n);
    };
    // Let them settle on their suspension first.
    for (int n = 0; n < 256; ++n)
        tick(n);
    const int ticks = 1280;
    auto start = std::chrono::steady_clock::now();
    for (int n = 0; n < ticks; ++n)
        tick(n);
    double full = seconds_since(start) / ticks;
    start = std::chrono::steady_clock::now();
    for (int n = 0; n < ticks; ++n)
        dWorldQuickStep(physics_world.world, 1.0 / 128);
    double bare = seconds_since(start) / ticks;
    printf("40 bikes, one tick with contacts and controllers: %.3f ms\n", full * 1e3);
    printf("40 bikes, bare dWorldQuickStep:                   %.3f ms\n", bare * 1e3);
    printf("real-time budget of a tick:                       %.3f ms\n", 1000.0 / 128);
    for (Rider *r : riders)
        rider_destroy(r);
    physics_world_destroy();
    return 0;
}
