// The configuration as a race takes it.
#include "ui/race_setup.h"

#include "race/race.h"
#include "track/track_list.h"
#include "ui/config.h"

BikeSetup bike_setup(const Config &c)
{
    BikeSetup b;
    b.leveling = (float)c.leveling.value;
    b.roll_damping = (float)c.roll_damping.value;
    b.roll_limit_angle = (float)c.roll_limit_angle.value;
    b.roll_limit_factor = (float)c.roll_limit_factor.value;
    b.steering_damping = (float)c.steering_damping.value;
    b.steering_strength = (float)c.steering_strength.value;
    b.max_steering_force = (float)c.max_steering_force.value;
    b.direct_steering = (float)c.direct_steering.value;
    b.slow_damping_speed = (float)c.slow_damping_speed.value;
    b.slow_damping_factor = (float)c.slow_damping_factor.value;
    b.land_damping_falloff = (float)c.land_damping_falloff.value;
    b.land_damping_factor = (float)c.land_damping_factor.value;
    b.arcade = c.arcade.index == 1;
    b.front_antilock = c.front_brake.index == 1;
    b.rear_antilock = c.rear_brake.index == 1;
    b.stop_wheelies = c.stop_wheelies.index;
    b.auto_shift = c.auto_shift.index == 1;
    b.auto_dab = c.auto_dab.index == 1;
    b.auto_clutch_rpms = (float)c.auto_clutch_rpms.value;
    b.brake_torque = (float)c.brake_torque.value;
    b.rear_brake_torque = (float)c.rear_brake_torque.value;
    b.max_dab_mph = (float)c.max_dab_speed.value;
    b.front_sprocket = (float)c.front_sprocket_adjustment.value;
    b.rear_sprocket = (float)c.rear_sprocket_adjustment.value;
    b.fork_compression = (float)c.fork_compression_adjustment.value;
    b.fork_rebound = (float)c.fork_rebound_adjustment.value;
    b.fork_spring_rate = (float)c.fork_spring_rate_adjustment.value;
    b.fork_preload = (float)c.fork_preload_adjustment.value;
    b.fork_oil_level = (float)c.fork_oil_level_adjustment.value;
    b.shock_compression = (float)c.shock_compression_adjustment.value;
    b.shock_rebound = (float)c.shock_rebound_adjustment.value;
    b.shock_spring_rate = (float)c.shock_spring_rate_adjustment.value;
    b.shock_preload = (float)c.shock_preload_adjustment.value;
    b.rider_yspring = (float)c.rider_yspring.value;
    b.rider_ydamping = (float)c.rider_ydamping.value;
    b.rider_zspring = (float)c.rider_zspring.value;
    b.rider_zdamping = (float)c.rider_zdamping.value;
    b.rider_mass_distribution = (float)c.rider_mass_distribution.value;
    return b;
}

void fill_race_settings(Sim *sim, const Config &c, const TrackList &tracks, bool practice, bool learning, bool debug)
{
    if (!tracks.folders.empty()) {
        sim->settings.track_folder = tracks.folders[tracks.selected];
        sim->settings.track_name = tracks.names[tracks.selected];
    }
    auto skin = [](const MenuItem &item) {
        return item.index > 0 && item.index < (int)item.values.size() ? item.values[item.index] : std::string();
    };
    RiderOutfit &p = sim->settings.player;
    p.bike = choice_name(c.bike);
    p.number = c.number.text;
    p.body_texture = skin(c.rider_texture);
    p.head_texture = skin(c.head_texture);
    p.bike_texture = skin(c.bike_texture);
    p.wheel_texture = skin(c.wheel_texture);
    sim->settings.setup = bike_setup(c);
    sim->settings.practice = practice;
    sim->settings.learning = learning;
    sim->settings.debug = debug;
}
