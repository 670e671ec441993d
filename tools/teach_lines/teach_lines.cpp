// teach_lines: the learnt lines shipped with every track, made at data
// build time the way players make them: the test pilot rides laps (its
// sections become the first lines), then four robots race on them for a
// while, reporting which lines worked. Each robot skill level gets its own
// file, taught by the pilot riding at that level's pace. Runs headless on the
// generated data folder and writes "lines_novice", "lines_amateur" and
// "lines_expert" into each track folder there; the same data give the same
// bytes.
//
//   teach_lines DATA_FOLDER
#include "files/paths.h"
#include "race/race.h"
#include "robots/pilot.h"
#include "robots/robot.h"
#include "track/track.h"
#include "track/track_list.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace
{

void run(Sim *sim, int seconds)
{
    for (int n = 0; n < seconds * TICKS_PER_SECOND && !sim->race.results_final; ++n)
        sim_tick(sim);
}

const char *const skill_files[3] = {"lines_novice", "lines_amateur", "lines_expert"};

// Teaches one track, every skill level. False when it cannot be raced.
bool teach(const std::string &folder)
{
    Track track;
    Sim sim;
    sim_create(&sim, &track);
    robots_install(&sim);
    sim.settings.track_folder = folder;
    // For each skill level, the pilot at that level's pace: three laps
    // from the middle of the gate, then a first lap from each of six places
    // across it, so that every robot on the gate finds a first line
    // starting close to it. Then four robots race on the lines for a
    // minute, reporting which worked.
    const int gates[7] = {20, 0, 6, 13, 27, 33, 39};
    const float pace[3] = {0.8f, 0.9f, 1.0f};
    bool ok = true;
    for (int skill = 0; skill < 3 && ok; ++skill) {
        for (int g = 0; g < 7 && ok; ++g) {
            int pilot[SLOTS] = {};
            pilot[gates[g]] = LINEUP_HUMAN;
            ok = race_start(&sim, pilot, false, false, 0, g == 0 ? 3 : 1, skill, (unsigned)(1 + g));
            if (ok) {
                pilot_take(&sim, gates[g], pace[skill]);
                run(&sim, g == 0 ? 900 : 300);
            }
        }
        int robots[SLOTS] = {};
        for (int k = 0; k < 4; ++k)
            robots[k] = LINEUP_ROBOT;
        if (ok) {
            ok = race_start(&sim, robots, false, false, 0, 3, skill, (unsigned)(2 + skill));
            run(&sim, 60);
        }
    }
    sim_save_lines(&sim);
    sim_destroy(&sim);
    unload_track(&track);
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: teach_lines DATA_FOLDER\n");
        return 1;
    }
    std::string data = argv[1];
    char scratch[] = "/tmp/teach-lines-XXXXXX";
    if (!mkdtemp(scratch)) {
        perror("teach_lines");
        return 1;
    }
    setenv("RV_HOME", data.c_str(), 1);
    setenv("XDG_DATA_HOME", scratch, 1);
    setenv("ZEPH_LOGFILE", (std::string(scratch) + "/log.txt").c_str(), 1);
    TrackList tracks = build_track_list(false);
    int status = 0;
    for (const std::string &folder : tracks.folders) {
        bool ok = teach(folder);
        for (int skill = 0; skill < 3 && ok; ++skill) {
            std::string learnt = std::string(scratch) + "/Rutvale/" + folder + "/" + skill_files[skill];
            std::error_code failed;
            ok = std::filesystem::copy_file(learnt, data + "/" + folder + "/" + skill_files[skill],
                                            std::filesystem::copy_options::overwrite_existing, failed);
        }
        if (!ok) {
            fprintf(stderr, "teach_lines: no lines for %s\n", folder.c_str());
            status = 1;
        }
    }
    std::error_code failed;
    std::filesystem::remove_all(scratch, failed);
    if (failed)
        status = 1;
    return status;
}
