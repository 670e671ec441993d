// The race server's race flow: the clock, the start and end of races, the
// rotation, relaying states and crossings, resends and timeouts.
#include "net/server_local.h"

#include "race/race.h"

#include <algorithm>
#include <string>

namespace
{

const int records_per_datagram = 24;
const size_t max_reliable_queue = 512;

int race_limit_ticks(const Server &s)
{
    return s.start_tick + 3600 * TICKS_PER_SECOND;
}

// A player's crossing: its progress, and whether it has finished.

void new_race(Server *s, double now)
{
    ++s->race_id;
    s->track_index = (s->track_index + 1) % (int)s->tracks.size();
    s->tick = 0;
    s->race_phase = RACE_LOBBY;
    if (server_clients(*s) > 0)
        start_clock(s);
    for (int k = 0; k < 40; ++k)
        if (s->clients[k].used)
            s->clients[k].restart_wanted = false;
    (void)now;
}

void end_race(Server *s, double now, const char *why)
{
    server_log("race %u over: %s", s->race_id, why);
    s->race_phase = RACE_RESULTS;
    s->results_since = now;
}

// Sends every ready client the snapshots it has not had, with the clock.

void relay_states(Server *s)
{
    for (int k = 0; k < 40; ++k) {
        ServerClient &c = s->clients[k];
        if (!c.used || c.race_id != s->race_id || c.phase != PHASE_READY)
            continue;
        int records[40], count = 0;
        for (int j = 0; j < 40; ++j) {
            const ServerClient &o = s->clients[j];
            if (j != k && racing(o, s->race_id) && o.has_snapshot && o.snapshot_tick > c.relayed_tick[j])
                records[count++] = j;
        }
        int at = 0;
        do {
            int n = std::min(count - at, records_per_datagram);
            WireWriter w;
            w.u8(NET_STATE);
            w.u32(s->race_id);
            w.u32((uint32_t)s->tick);
            w.u32(c.echo);
            c.echo = 0;
            w.u32((uint32_t)n);
            for (int i = at; i < at + n; ++i) {
                const ServerClient &o = s->clients[records[i]];
                w.u32((uint32_t)records[i] | (uint32_t)std::min(o.ping, (1 << 26) - 1) << 6);
                w.u32((uint32_t)o.snapshot_tick);
                w.raw(o.snapshot.bytes, SNAPSHOT_BYTES);
                c.relayed_tick[records[i]] = o.snapshot_tick;
            }
            send_client(s, k, w);
            at += n;
        } while (at < count);
    }
}

void race_flow(Server *s, double now)
{
    if (s->race_phase == RACE_LOBBY)
        return;
    if (server_clients(*s) == 0) {
        server_log("everyone has gone: waiting for players");
        new_race(s, now);
        return;
    }
    if (s->race_phase == RACE_RESULTS) {
        if (now - s->results_since >= s->config.results_time) {
            new_race(s, now);
            server_log("next race %u on %s", s->race_id, current_track(*s).folder.c_str());
        }
        return;
    }
    int racers = 0, finished = 0, restart = 0;
    for (const ServerClient &c : s->clients)
        if (racing(c, s->race_id)) {
            ++racers;
            finished += c.finished;
            restart += c.restart_wanted;
        }
    if (s->tick > s->start_tick && racers == 0 && !entry_open(*s))
        end_race(s, now, "no riders on the gate");
    else if (racers > 0 && finished == racers)
        end_race(s, now, "everyone finished");
    else if (racers > 0 && restart == racers)
        end_race(s, now, "restart asked");
    else if (s->tick > race_limit_ticks(*s))
        end_race(s, now, "an hour after the gate");
}

} // namespace

void send_to(Server *s, const NetAddress &to, const WireWriter &w, ServerClient *c)
{
    if (w.overflow || s->socket < 0)
        return;
    if (net_send(s->socket, w.bytes, w.length, to) < 0)
        return;
    s->bytes_sent += (uint64_t)w.length;
    if (c)
        c->bytes_sent += (uint64_t)w.length;
}

void send_client(Server *s, int slot, const WireWriter &w)
{
    send_to(s, s->clients[slot].address, w, &s->clients[slot]);
}

void send_kind(Server *s, int slot, int kind, uint32_t value)
{
    WireWriter w;
    w.u8(kind);
    w.u32(value);
    send_client(s, slot, w);
}

void queue_reliable(Server *s, int slot, int sub_kind, const WireWriter &data, double now)
{
    ServerClient &c = s->clients[slot];
    if (c.out.size() >= max_reliable_queue)
        return;
    WireWriter w;
    w.u8(NET_RELIABLE);
    w.u32(c.next_out_sequence);
    w.u8(sub_kind);
    w.raw(data.bytes, data.length);
    ServerReliable m;
    m.sequence = c.next_out_sequence++;
    m.resend_time = now;
    m.bytes.assign(w.bytes, w.bytes + w.length);
    c.out.push_back(std::move(m));
}

void send_text_all(Server *s, const std::string &text, double now)
{
    WireWriter data;
    data.text(text, NET_RELIABLE_TEXT);
    for (int k = 0; k < 40; ++k)
        if (s->clients[k].used && s->clients[k].phase != PHASE_WELCOMED)
            queue_reliable(s, k, RELIABLE_TEXT, data, now);
}

const ServerTrack &current_track(const Server &s)
{
    return s.tracks[(size_t)s.track_index];
}

void announce(Server *s, int slot)
{
    const ServerTrack &t = current_track(*s);
    WireWriter w;
    w.u8(NET_ANNOUNCE);
    w.u32(s->race_id);
    w.u32((uint32_t)s->time_limit);
    w.u32((uint32_t)(s->config.minutes > 0 ? 0 : s->config.laps));
    w.u32((uint32_t)s->start_tick);
    w.raw(t.digest, 20);
    w.text(t.folder, NET_TRACK_NAME_MAX);
    send_client(s, slot, w);
    ServerClient &c = s->clients[slot];
    if (c.race_id != s->race_id) {
        c.race_id = s->race_id;
        c.phase = PHASE_IN_RACE_SETUP;
        c.start_position = NET_NO_SLOT;
        c.has_snapshot = false;
        c.snapshot_tick = -1;
        c.gates = 0;
        c.last_crossing_tick = -1;
        c.finished = false;
        c.restart_wanted = false;
        c.pending_crossings.clear();
        std::fill(c.relayed_tick, c.relayed_tick + 40, -1);
    }
}

bool entry_open(const Server &s)
{
    return s.race_phase != RACE_RESULTS && (s.tick == 0 || s.tick < s.start_tick - 6 * TICKS_PER_SECOND);
}

bool racing(const ServerClient &c, uint32_t race_id)
{
    return c.used && c.race_id == race_id && c.start_position != NET_NO_SLOT;
}

// The answer to a track or rider acknowledgement: the riders not yet
// described, else the race start.

void start_clock(Server *s)
{
    s->tick = 1;
    s->start_tick = (int)(s->config.gate_delay * TICKS_PER_SECOND);
    s->time_limit = s->config.minutes > 0 ? s->config.minutes * 60 * TICKS_PER_SECOND : 0;
    s->leader_finish_tick = -1;
    s->next_start_position = 0;
    s->race_phase = RACE_RUNNING;
    server_log("race %u on %s: %s, gate drops in %.0f s", s->race_id, current_track(*s).folder.c_str(),
               s->time_limit ? (std::to_string(s->config.minutes) + " minutes").c_str()
                             : (std::to_string(s->config.laps) + " laps").c_str(),
               s->config.gate_delay);
}

void free_client(Server *s, int slot, const char *why, double now)
{
    ServerClient &c = s->clients[slot];
    if (!c.used)
        return;
    std::string name = c.description.name.empty() ? "#" + c.description.number : c.description.name;
    server_log("slot %d left (%s)", slot, why);
    c = ServerClient();
    send_text_all(s, name + " left", now);
}

int lap_line(const ServerTrack &t, int position)
{
    if (t.normal_lap_count <= 0 || position < t.first_lap_count - 1)
        return 0;
    return (position - (t.first_lap_count - 1)) % t.normal_lap_count == 0;
}

void take_crossing(Server *s, int slot, int position, int tick)
{
    ServerClient &c = s->clients[slot];
    const ServerTrack &t = current_track(*s);
    c.gates = std::max(c.gates, position + 1);
    c.last_crossing_tick = tick;
    if (c.finished || !lap_line(t, position))
        return;
    if (s->leader_finish_tick >= 0 && tick >= s->leader_finish_tick) {
        c.finished = true;
    } else {
        int laps = (position - (t.first_lap_count - 1)) / std::max(t.normal_lap_count, 1) + 1;
        bool done = s->time_limit > 0 ? tick >= s->time_limit : laps >= s->config.laps;
        if (done) {
            c.finished = true;
            s->leader_finish_tick = tick;
        }
    }
    if (c.finished)
        server_log("slot %d finished", slot);
    for (int k = 0; k < 40; ++k)
        if (k != slot && s->clients[k].used && s->clients[k].race_id == s->race_id &&
            s->clients[k].pending_crossings.size() < 100)
            s->clients[k].pending_crossings.push_back({slot, position, tick});
}

void server_step(Server *s, double now)
{
    if (s->race_phase != RACE_LOBBY)
        ++s->tick;
    if (s->tick == s->start_tick && s->race_phase == RACE_RUNNING)
        server_log("race %u: the gate drops", s->race_id);
    race_flow(s, now);

    for (int k = 0; k < 40; ++k) {
        ServerClient &c = s->clients[k];
        if (!c.used)
            continue;
        if (now - c.last_heard > s->config.timeout) {
            free_client(s, k, "timed out", now);
            continue;
        }
        // New race: told once a second until the client asks for it.
        if (c.race_id != s->race_id && c.phase != PHASE_WELCOMED && s->tick % TICKS_PER_SECOND == 1)
            send_kind(s, k, NET_NEW_RACE, s->race_id);
        if (!c.pending_crossings.empty()) {
            WireWriter data;
            data.u32(s->race_id);
            data.u32((uint32_t)c.pending_crossings.size());
            for (const Crossing &x : c.pending_crossings) {
                data.u32((uint32_t)x.slot);
                data.u32((uint32_t)x.position);
                data.u32((uint32_t)x.tick);
            }
            queue_reliable(s, k, RELIABLE_CROSSINGS, data, now);
            c.pending_crossings.clear();
        }
        if (c.out.empty() && c.phase != PHASE_WELCOMED && now - c.last_heard > 2) {
            WireWriter data;
            data.u32(0);
            data.u32(0);
            queue_reliable(s, k, RELIABLE_CROSSINGS, data, now);
        }
        if (!c.out.empty() && now >= c.out.front().resend_time) {
            ServerReliable &m = c.out.front();
            WireWriter w;
            w.raw(m.bytes.data(), (int)m.bytes.size());
            send_client(s, k, w);
            m.resend_time = now + 0.5;
        }
        if (c.phase == PHASE_READY && c.race_id == s->race_id && s->tick % TICKS_PER_SECOND == 0)
            send_kind(s, k, NET_SERVER_VALUE, (uint32_t)s->tick);
    }
    if (s->tick % 4 == 0)
        relay_states(s);
}

void server_close(Server *s)
{
    for (int k = 0; k < 40; ++k)
        if (s->clients[k].used) {
            WireWriter w;
            w.u8(NET_DISCONNECTED);
            send_client(s, k, w);
        }
    net_close(s->socket);
    s->socket = -1;
}
