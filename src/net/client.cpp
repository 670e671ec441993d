// The network client's state machine and datagrams.
#include "net/client.h"

#include "files/digest.h"
#include "physics/aids.h"
#include "platform/log.h"
#include "platform/messages.h"
#include "race/progress.h"
#include "race/race.h"
#include "race/timing.h"
#include "track/track.h"
#include "track/track_list.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace
{

// Largest sequence position a relayed crossing may name: far beyond any
// race, small enough that a hostile value cannot make a rider's crossing
// list huge.
const int max_gate_position = 100000;
// Pending reliable messages kept at most (a flood of chat lines is cut).
const size_t max_reliable_queue = 256;

bool send_bytes(NetClient *c, const WireWriter &w)
{
    if (c->socket < 0 || w.overflow)
        return false;
    if (net_send(c->socket, w.bytes, w.length, c->address) < 0) {
        if (const char *name = net_error_name())
            show_messagef("sendto error (%.100s)", name);
        return false;
    }
    c->bytes_sent += (uint64_t)w.length;
    return true;
}

WireWriter header(const NetClient &c, int kind)
{
    WireWriter w;
    w.u8(kind);
    w.u32(c.client_id);
    w.u32(c.key);
    return w;
}

void send_short(NetClient *c, int kind, uint32_t value)
{
    WireWriter w = header(*c, kind);
    w.u32(value);
    send_bytes(c, w);
}

// Back to no connection: the socket closed, every field reset; the server
// address is forgotten so nothing reconnects by itself.
void reset(NetClient *c, Sim *sim)
{
    net_close(c->socket);
    NetClient fresh;
    fresh.password = c->password;
    fresh.fake_lag = c->fake_lag;
    fresh.fake_loss = c->fake_loss;
    fresh.record_demo = c->record_demo;
    fresh.player_name = c->player_name;
    fresh.bytes_sent = c->bytes_sent;
    fresh.bytes_received = c->bytes_received;
    *c = fresh;
    sim->network.connected = false;
    sim->network.server_race = false;
    sim->network.start_slot = REMOTE_SLOTS;
}

RiderDescription own_description(const NetClient &c, const Sim &sim)
{
    RiderDescription d;
    static_cast<RiderOutfit &>(d) = sim.settings.player;
    d.name = c.player_name;
    return d;
}

void queue_reliable(NetClient *c, int sub_kind, const WireWriter &data, double now)
{
    if (c->out.size() >= max_reliable_queue) {
        show_message("Too many messages waiting for the server");
        return;
    }
    WireWriter w = header(*c, NET_RELIABLE);
    w.u32(c->next_out_sequence);
    w.u8(sub_kind);
    w.raw(data.bytes, data.length);
    ReliableOut m;
    m.resend_time = now;
    m.sequence = c->next_out_sequence++;
    m.bytes.assign(w.bytes, w.bytes + w.length);
    c->out.push_back(std::move(m));
}

void send_hello(NetClient *c)
{
    WireWriter w;
    w.u8(NET_HELLO);
    w.u8(c->password.empty() ? 0 : 1);
    w.u8(0), w.u8(0), w.u8(0);
    w.u32(c->client_value);
    w.u32(7);
    send_bytes(c, w);
}

void connect(NetClient *c, Sim *sim, double now)
{
    if (!net_resolve(&c->address, c->server.c_str(), NET_DEFAULT_PORT)) {
        show_message("Can't resolve address\n");
        c->server.clear();
        return;
    }
    c->have_address = true;
    c->socket = net_socket();
    if (c->socket < 0) {
        show_message("Can't create socket\n");
        c->server.clear();
        return;
    }
    c->state = NET_CONTACTING;
    c->last_send = now;
    double micro = std::fmod(now, 1.0) * 1e6;
    c->random_value = (uint32_t)micro * 1103515245u + 12345u;
    remote_clear(&sim->network);
    sim->network.connected = true;
    sim->network.start_slot = REMOTE_SLOTS;
    show_message("Contacting server\n");
    send_hello(c);
}

void send_client_info(NetClient *c, const Sim &sim)
{
    WireWriter w = header(*c, NET_CLIENT_INFO);
    w.u32(net_password_proof(c->password, c->key));
    w.u32(c->client_value);
    w.u32(c->random_value);
    uint8_t digest[20];
    bool known = std::any_of(c->track_hash, c->track_hash + 20, [](uint8_t b) { return b != 0; });
    net_info_digest(c->key, c->random_value, known ? digest_hex(c->track_hash) : std::string(), digest);
    w.raw(digest, 20);
    w.text(description_text(own_description(*c, sim)), NET_DESCRIPTION_MAX);
    send_bytes(c, w);
}

void send_handshake(NetClient *c, Sim *sim)
{
    switch (c->state) {
    case NET_CONTACTING:
        send_hello(c);
        break;
    case NET_WELCOMED:
        zeph_log("Sending client info\n");
        send_client_info(c, *sim);
        break;
    case NET_TRACK_KNOWN:
        zeph_log("Sending track acknowledgment\n");
        send_short(c, NET_TRACK_ACK, c->race_id);
        break;
    case NET_RECEIVING_RIDERS: {
        zeph_log("Sending bike acknowledgment %d\n", c->highest_slot);
        WireWriter w = header(*c, NET_RIDER_ACK);
        w.u32(c->race_id);
        w.u32((uint32_t)c->highest_slot);
        send_bytes(c, w);
        break;
    }
    case NET_RACE_STARTED:
        send_short(c, NET_READY, c->race_id);
        break;
    case NET_NEW_RACE_ANNOUNCED:
        zeph_log("Sending restart\n");
        send_short(c, NET_RESTART, c->race_id);
        break;
    case NET_LEAVING: {
        WireWriter w = header(*c, NET_LEAVE);
        if (send_bytes(c, w))
            show_message("Disconnecting\n");
        break;
    }
    }
}

void send_state(NetClient *c, Sim *sim)
{
    const NetworkRace &n = sim->network;
    if (!has_start_slot(n) || c->client_id >= REMOTE_SLOTS || sim->race.tick % 4 != 0)
        return;
    const Rider *r = sim->race.slots[c->client_id].rider;
    if (!r)
        return;
    WireWriter w = header(*c, NET_STATE);
    w.u32(c->race_id);
    w.u32(c->server_value);
    w.u32((uint32_t)sim->race.tick);
    RiderSnapshot s = snapshot_encode(*r, sim_track(*sim).terrain);
    w.raw(s.bytes, SNAPSHOT_BYTES);
    send_bytes(c, w);
}

// Queues the player's newest gate crossing when its gate count changed.
void report_crossing(NetClient *c, Sim *sim, double now)
{
    if (!has_start_slot(sim->network) || c->client_id >= REMOTE_SLOTS)
        return;
    const RiderSlot &s = sim->race.slots[c->client_id];
    if (!s.rider || s.next_gate == c->reported_gates)
        return;
    c->reported_gates = s.next_gate;
    int position = s.next_gate - 1;
    int tick = position >= 0 && position < (int)s.gate_ticks.size() ? s.gate_ticks[(size_t)position] : -1;
    WireWriter data;
    data.u32(c->race_id);
    data.u32((uint32_t)position);
    data.u32((uint32_t)tick);
    queue_reliable(c, RELIABLE_CROSSINGS, data, now);
}

void take_time(NetClient *c, Sim *sim, const uint8_t *b)
{
    int tick = wire_i32(b, 5);
    uint32_t echo = wire_u32(b, 9);
    if (tick > 0) {
        if (c->server_tick == 0) {
            sim->race.tick = tick;
            c->server_tick = tick;
        } else if (tick > c->server_tick) {
            c->server_tick = tick;
        }
    }
    if (echo != 0) {
        // A hostile echo must not overflow the difference.
        int64_t ping = (int64_t)sim->race.tick - (int64_t)(int32_t)echo;
        c->ping = (int)std::clamp<int64_t>(ping, 0, 1 << 20);
        if (c->client_id < REMOTE_SLOTS)
            sim->network.ping[c->client_id] = c->ping;
    }
    if (c->state == NET_RACE_STARTED) {
        const RaceState &race = sim->race;
        show_message(
            race_length_text(race.time_limit ? race.laps : race.race_laps, race.time_limit / (60 * TICKS_PER_SECOND))
                .c_str());
        c->state = NET_RACING;
    }
}

void take_crossings(NetClient *c, Sim *sim, const uint8_t *b, int length)
{
    if (length < 14 || wire_u32(b, 6) != c->race_id)
        return;
    uint32_t count = wire_u32(b, 10);
    if (count > (uint32_t)(length - 14) / 12)
        return;
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t *e = b + 14 + 12 * i;
        int slot = wire_i32(e, 0), position = wire_i32(e, 4), tick = wire_i32(e, 8);
        if (slot < 0 || slot >= REMOTE_SLOTS || (uint32_t)slot == c->client_id || position < 0 ||
            position > max_gate_position || !sim->race.slots[slot].rider)
            continue;
        RiderSlot &s = sim->race.slots[slot];
        set_race_position(sim, slot, position + 1);
        s.gate_ticks[(size_t)position] = tick;
    }
    results_update(sim);
}

// Text from the wire shown as a message: cut, control bytes made blanks.
std::string shown_text(const uint8_t *b, int length, int offset)
{
    std::string t = wire_text(b, length, offset, NET_RELIABLE_TEXT);
    for (char &ch : t)
        if ((unsigned char)ch < 32 && ch != '\n')
            ch = ' ';
    return t;
}

void take_reliable(NetClient *c, Sim *sim, const uint8_t *b, int length)
{
    if (length < 6)
        return;
    uint32_t sequence = wire_u32(b, 1);
    WireWriter ack;
    ack.u8(NET_ACK);
    ack.u32(c->client_id);
    ack.u32(sequence);
    for (int i = 5; i < 9; ++i)
        ack.u8(i < length ? b[i] : 0);
    send_bytes(c, ack);
    if (sequence != c->next_in_sequence)
        return;
    ++c->next_in_sequence;
    switch (b[5]) {
    case RELIABLE_CROSSINGS:
        take_crossings(c, sim, b, length);
        break;
    case RELIABLE_TEXT:
        show_message(shown_text(b, length, 6).c_str());
        break;
    case RELIABLE_OPTION:
        if (wire_text(b, length, 6, 64) == "no_arcade") {
            c->arcade_disabled = true;
            bool was_on = sim->settings.setup.arcade;
            sim->settings.setup.arcade = false;
            if (c->client_id < REMOTE_SLOTS)
                if (Rider *r = sim->race.slots[c->client_id].rider)
                    apply_bike_setup(r, sim->settings.setup);
            if (was_on)
                show_message("Arcade physics disabled");
        }
        break;
    }
}

void take_announcement(NetClient *c, Sim *sim, const TrackList &tracks, const uint8_t *b, int length)
{
    if (length < 38)
        return;
    uint32_t race_id = wire_u32(b, 1);
    if (c->race_id != 0 && race_id != c->race_id)
        return;
    int time_limit = wire_i32(b, 5), laps = wire_i32(b, 9), start_tick = wire_i32(b, 13);
    if (race_id == 0 || time_limit < 0 || time_limit > 24 * 3600 * TICKS_PER_SECOND || laps < 0 || laps > 1000 ||
        start_tick < 0 || start_tick > 3600 * TICKS_PER_SECOND)
        return;
    std::string folder = wire_text(b, length, 37, NET_TRACK_NAME_MAX);
    if (std::find(tracks.folders.begin(), tracks.folders.end(), folder) == tracks.folders.end()) {
        show_messagef("Can't find track '%.150s'\n", folder.c_str());
        return;
    }
    c->race_id = race_id;
    c->time_limit = time_limit;
    c->laps = laps;
    c->start_tick = start_tick;
    std::copy(b + 17, b + 37, c->track_hash);
    c->track_folder = folder;
    NetworkRace &n = sim->network;
    remote_clear(&n);
    for (RiderDescription &d : n.riders)
        d = RiderDescription();
    std::fill(c->lineup, c->lineup + REMOTE_SLOTS, LINEUP_EMPTY);
    n.start_slot = REMOTE_SLOTS;
    c->highest_slot = NET_NO_SLOT;
    c->server_tick = 0;
    c->reported_gates = 0;
    c->state = NET_TRACK_KNOWN;
}

void take_rider(NetClient *c, Sim *sim, const uint8_t *b, int length)
{
    if (length < 9)
        return;
    int slot = wire_i32(b, 5);
    if (slot < 0 || slot >= REMOTE_SLOTS || (c->highest_slot != NET_NO_SLOT && slot <= c->highest_slot))
        return;
    RiderDescription d;
    if (!description_parse(wire_text(b, length, 9, NET_DESCRIPTION_MAX), &d))
        return;
    sim->network.riders[slot] = d;
    c->lineup[slot] = LINEUP_REMOTE;
    c->highest_slot = slot;
    c->state = NET_RECEIVING_RIDERS;
}

void take_race_start(NetClient *c, Sim *sim, const uint8_t *b, int length)
{
    if (length < 9)
        return;
    int start = wire_i32(b, 5);
    NetworkRace &n = sim->network;
    n.start_slot = start >= 0 && start < REMOTE_SLOTS ? start : REMOTE_SLOTS;
    n.server_race = true;
    n.track_folder = c->track_folder;
    n.start_tick = c->start_tick;
    c->lineup[c->client_id] = LINEUP_HUMAN;
    bool started = race_start(sim, c->lineup, false, c->record_demo, c->time_limit, c->laps, 0, c->race_id);
    if (!started) {
        show_messagef("Can't load track '%.150s'\n", c->track_folder.c_str());
        return;
    }
    sim->race.watched_slot = (int)c->client_id;
    if (!std::equal(c->track_hash, c->track_hash + 20, sim->track->digest))
        show_messagef("Client track modified - does not match server's track (%.100s)\n", c->track_folder.c_str());
    c->reported_gates = sim->race.slots[c->client_id].next_gate;
    c->state = NET_RACE_STARTED;
}

void take_states(NetClient *c, Sim *sim, const uint8_t *b, int length)
{
    if (length < 17)
        return;
    uint32_t count = wire_u32(b, 13);
    if (count > (uint32_t)(length - 17) / NET_RECORD_BYTES) {
        show_message("State packet too small");
        return;
    }
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t *r = b + 17 + NET_RECORD_BYTES * i;
        uint32_t word = wire_u32(r, 0);
        int slot = (int)(word & 63), ping = (int)(word >> 6), tick = wire_i32(r, 4);
        if (slot >= REMOTE_SLOTS || (uint32_t)slot == c->client_id)
            continue;
        RiderSnapshot s;
        std::copy(r + 8, r + 8 + SNAPSHOT_BYTES, s.bytes);
        remote_receive(sim, slot, tick, s, ping);
    }
    take_time(c, sim, b);
}

} // namespace

void net_handle(NetClient *c, Sim *sim, const TrackList &tracks, const uint8_t *b, int length, double now)
{
    (void)now;
    if (length < 1)
        return;
    bool known = c->client_id < REMOTE_SLOTS;
    bool race_matches = length >= 5 && wire_u32(b, 1) == c->race_id;
    bool in_race = c->state == NET_RACE_STARTED || c->state == NET_RACING;
    switch (b[0]) {
    case NET_FULL:
        show_message("Server is full\n");
        break;
    case NET_WELCOME:
        if (c->state != NET_CONTACTING || length < 13)
            break;
        if (wire_u32(b, 1) >= REMOTE_SLOTS)
            break;
        if (wire_u32(b, 9) != NET_PROTOCOL_VERSION) {
            show_message("Server version does not match client version\n");
            break;
        }
        c->client_id = wire_u32(b, 1);
        c->key = wire_u32(b, 5);
        c->state = NET_WELCOMED;
        break;
    case NET_ANNOUNCE:
        if (known && (c->state == NET_WELCOMED || c->state == NET_NEW_RACE_ANNOUNCED))
            take_announcement(c, sim, tracks, b, length);
        break;
    case NET_RIDER_INFO:
        if (known && (c->state == NET_TRACK_KNOWN || c->state == NET_RECEIVING_RIDERS) && race_matches)
            take_rider(c, sim, b, length);
        break;
    case NET_RACE_START:
        if (known && (c->state == NET_TRACK_KNOWN || c->state == NET_RECEIVING_RIDERS) && race_matches)
            take_race_start(c, sim, b, length);
        break;
    case NET_TIME:
        if (known && in_race && race_matches && length >= 13)
            take_time(c, sim, b);
        break;
    case NET_STATE:
        if (known && in_race && race_matches)
            take_states(c, sim, b, length);
        break;
    case NET_SERVER_VALUE:
        if (known && in_race && length >= 5)
            c->server_value = wire_u32(b, 1);
        break;
    case NET_NEW_RACE:
        if (known && in_race && length >= 5 && wire_u32(b, 1) > c->race_id) {
            c->race_id = wire_u32(b, 1);
            c->state = NET_NEW_RACE_ANNOUNCED;
        }
        break;
    case NET_DISCONNECTED:
        show_message("Disconnected\n");
        reset(c, sim);
        break;
    case NET_TEXT:
        show_message(shown_text(b, length, 1).c_str());
        break;
    case NET_RELIABLE:
        take_reliable(c, sim, b, length);
        break;
    case NET_ACK:
        if (length >= 5 && !c->out.empty() && c->out.front().sequence == wire_u32(b, 1))
            c->out.pop_front();
        break;
    }
}

void net_poll(NetClient *c, Sim *sim, const TrackList &tracks, double now)
{
    if (c->socket < 0) {
        if (!c->server.empty())
            connect(c, sim, now);
        return;
    }
    NetworkRace &n = sim->network;
    RaceState &race = sim->race;
    if (c->server_tick > 0)
        ++c->server_tick;
    if (has_start_slot(n) && c->client_id < REMOTE_SLOTS && n.rings.size() == REMOTE_SLOTS)
        if (const Rider *own = race.slots[c->client_id].rider) {
            SnapshotRing &ring = n.rings[c->client_id];
            if (ring.stamps[ring.newest] != race.tick)
                ring_store(&ring, race.tick, snapshot_encode(*own, sim_track(*sim).terrain));
        }

    // Everything waiting, through the simulated lag and loss when set.
    uint8_t buffer[NET_MAX_DATAGRAM];
    NetAddress from;
    for (;;) {
        int length = net_recv(c->socket, buffer, sizeof buffer, &from);
        if (length < 0) {
            if (const char *name = net_error_name())
                show_messagef("recvfrom error (%.100s)", name);
            break;
        }
        if (!net_same_address(from, c->address))
            continue;
        c->bytes_received += (uint64_t)length;
        if (c->fake_lag <= 0 && c->fake_loss <= 0) {
            net_handle(c, sim, tracks, buffer, length, now);
            if (c->socket < 0)
                return;
            continue;
        }
        if ((rand() & 0x7fff) < c->fake_loss * 327 || c->delayed.size() >= NET_DELAY_QUEUE)
            continue;
        DelayedDatagram d;
        d.arrival = now;
        d.bytes.assign(buffer, buffer + length);
        c->delayed.push_back(std::move(d));
    }
    while (!c->delayed.empty() && now > c->delayed.front().arrival + c->fake_lag) {
        DelayedDatagram d = std::move(c->delayed.front());
        c->delayed.pop_front();
        net_handle(c, sim, tracks, d.bytes.data(), (int)d.bytes.size(), now);
        if (c->socket < 0)
            return;
    }

    if (!c->out.empty() && now >= c->out.front().resend_time) {
        ReliableOut &m = c->out.front();
        WireWriter w;
        w.raw(m.bytes.data(), (int)m.bytes.size());
        send_bytes(c, w);
        m.resend_time = now + 0.5;
    }

    if (c->state != NET_RACING) {
        if (now - c->last_send >= 1.0) {
            c->last_send = now;
            send_handshake(c, sim);
        }
        return;
    }
    report_crossing(c, sim, now);
    send_state(c, sim);
    if (c->description_changed && !c->description_menu_open) {
        WireWriter data;
        data.text(description_text(own_description(*c, *sim)), NET_RELIABLE_DESCRIPTION);
        queue_reliable(c, RELIABLE_DESCRIPTION, data, now);
        c->description_changed = false;
    }
}

void net_leave(NetClient *c, Sim *sim)
{
    if (c->socket >= 0) {
        WireWriter w = header(*c, NET_LEAVE);
        if (send_bytes(c, w))
            show_message("Disconnecting\n");
    }
    reset(c, sim);
}

void net_request_restart(NetClient *c)
{
    if (c->socket < 0)
        return;
    WireWriter w = header(*c, NET_RESTART_REQUEST);
    w.u32(1);
    if (send_bytes(c, w))
        zeph_log("Requesting restart\n");
}

void net_chat(NetClient *c, const std::string &text, double now)
{
    if (c->socket < 0 || text.empty())
        return;
    WireWriter data;
    data.text(text, NET_RELIABLE_TEXT);
    queue_reliable(c, RELIABLE_TEXT, data, now);
}

int net_ping_ms(const NetClient &c, const Sim &sim, int slot)
{
    int ticks = (uint32_t)slot == c.client_id ? c.ping : slot >= 0 && slot < REMOTE_SLOTS ? sim.network.ping[slot] : 0;
    return ticks * 1000 / TICKS_PER_SECOND;
}

int net_offset_ms(const NetClient &c, const Sim &sim)
{
    return (c.server_tick - sim.race.tick) * 1000 / TICKS_PER_SECOND;
}

double network_time_scale(double lag, bool before_start)
{
    if (lag < 0)
        return 0.5 + 0.5 * std::clamp(lag + 1, 0.0, 1.0);
    if (before_start)
        return 1 + 3 * std::clamp(lag, 0.0, 1.0);
    return 1 + 0.125 * std::clamp(8 * lag, 0.0, 1.0);
}
