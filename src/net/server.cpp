// The race server's side of the protocol.
//
// Accepts (every datagram is checked against its length first; a datagram
// naming a client id must come from that client's address with its key,
// so a client speaks only for its own slot):
//   0 hello          13 bytes; a new address gets a slot (the lowest free,
//                    at most max_players) and the welcome, a known one its
//                    welcome again; a full server answers kind 1.
//   3 client info    41+ bytes; the password proof must match when the
//                    server has a password, else "Wrong password" (kind 16)
//                    and kind 15 end the connection. The description text
//                    (at most 982 bytes) is kept; the race is announced.
//   5, 7 acks        the riders of the race (kind 6, each sent twice, in
//                    slot order, once the entry has closed) and then the
//                    race start (kind 8) with the start position, or 40 to
//                    watch when the entry closed before the player came.
//   9 ready          time (kind 10); from then on state datagrams.
//  11 state          60 bytes: the player's snapshot, kept when newer.
//  13 restart       when every racing player asks, the race ends at once.
//  14 restart       the announcement of the new race again.
//  15 leave         the slot is freed; kind 15 answers.
//  17 reliable      acknowledged (kind 18); in order: 21 own gate crossing
//                    (relayed to the others), 3 description (used from the
//                    next race), 19 chat (sent to everyone as "name: text").
//  18 ack           removes the head of the client's reliable queue.
// Anything else, truncated, oversized or from an unknown sender is dropped
// with a log line (at most ten a second; the rest are counted). Each
// address may send 200 datagrams a second (bursts of 400); beyond that its
// datagrams are dropped unread, so one flooding address cannot take the
// server's time from the others.
//
// Sends: the welcome (2, protocol version 4); the race announcement (4:
// race id, time limit, laps, start tick, track digest, folder); riders (6);
// race start (8); state datagrams (11) every fourth tick to every ready
// client with the newest snapshot of every other rider not yet sent to it
// (at most 24 records a datagram; ping in ticks in the upper 26 bits of
// each record's first word), which also carry the clock and the echo of the
// client's newest local tick; the server value (13, the clock) once a
// second; new race (14) once a second until answered; text (16);
// reliable messages (17, resent every 0.5 s, in order): crossings,
// chat and "no_arcade"; disconnect (15) on leave, refusal and shut-down.
//
// Race flow: the clock starts when the first player arrives; the gate
// drops gate_delay seconds later; the entry closes six seconds before it.
// A race ends when every player with a start position has finished (or
// left), or an hour after the gate; its results stand results_time seconds,
// then the next track of the rotation is raced. A client not heard from
// for `timeout` seconds is dropped; a quiet one is sent an empty reliable
// message every two seconds so that its acknowledgement keeps it alive.
#include "net/server_local.h"

#include "race/race.h"
#include "track/track.h"
#include "track/track_list.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <ctime>

namespace
{

const int max_gate_position = 100000;
const double rate_per_second = 200, rate_burst = 400;
const size_t max_rate_entries = 4096;

void drop(Server *s, double now, const NetAddress &from, const char *why, int kind, int length)
{
    ++s->datagrams_dropped;
    if (now - s->drop_log_second >= 1) {
        if (s->drops_unlogged > 0)
            server_log("%d more datagrams dropped", s->drops_unlogged);
        s->drop_log_second = now;
        s->drop_logs = 0;
        s->drops_unlogged = 0;
    }
    if (s->drop_logs >= 10) {
        ++s->drops_unlogged;
        return;
    }
    ++s->drop_logs;
    char text[32];
    net_address_text(from, text, sizeof text);
    server_log("dropped from %s: %s (kind %d, %d bytes)", text, why, kind, length);
}

void describe_riders(Server *s, int slot, int highest)
{
    ServerClient &c = s->clients[slot];
    if (entry_open(*s))
        return; // the field is still filling
    bool sent = false;
    for (int k = 0; k < 40; ++k) {
        if (k == slot || (highest >= 0 && highest < 40 && k <= highest) || !racing(s->clients[k], s->race_id))
            continue;
        WireWriter w;
        w.u8(NET_RIDER_INFO);
        w.u32(s->race_id);
        w.u32((uint32_t)k);
        w.text(s->clients[k].description_text, NET_DESCRIPTION_MAX);
        // Twice: a rider lost on the way could not be taken after a later one.
        send_client(s, slot, w);
        send_client(s, slot, w);
        sent = true;
    }
    if (sent)
        return;
    WireWriter w;
    w.u8(NET_RACE_START);
    w.u32(s->race_id);
    w.u32((uint32_t)c.start_position);
    send_client(s, slot, w);
}

void take_reliable(Server *s, int slot, const uint8_t *b, int length, double now)
{
    ServerClient &c = s->clients[slot];
    uint32_t sequence = wire_u32(b, 9);
    WireWriter ack;
    ack.u8(NET_ACK);
    ack.u32(sequence);
    send_client(s, slot, ack);
    if (sequence != c.next_in_sequence)
        return;
    ++c.next_in_sequence;
    switch (b[13]) {
    case RELIABLE_CROSSINGS:
        if (length >= 26 && wire_u32(b, 14) == s->race_id && c.start_position != NET_NO_SLOT) {
            // A lap line crossed again counts too: a rider who went back
            // for a missed gate takes the line a second time, and that
            // crossing may be its finish.
            int position = wire_i32(b, 18), tick = wire_i32(b, 22);
            if (position >= 0 && position <= max_gate_position &&
                (position + 1 > c.gates || lap_line(current_track(*s), position)))
                take_crossing(s, slot, position, tick);
        }
        break;
    case RELIABLE_DESCRIPTION: {
        RiderDescription d;
        std::string text = wire_text(b, length, 14, NET_RELIABLE_DESCRIPTION);
        if (description_parse(text, &d)) {
            c.description = d;
            c.description_text = text;
        }
        break;
    }
    case RELIABLE_TEXT: {
        std::string text = wire_text(b, length, 14, NET_RELIABLE_TEXT);
        for (char &ch : text)
            if ((unsigned char)ch < 32)
                ch = ' ';
        std::string name = c.description.name.empty() ? "#" + c.description.number : c.description.name;
        send_text_all(s, (name + ": " + text).substr(0, NET_RELIABLE_TEXT), now);
        break;
    }
    }
}

void take_state(Server *s, int slot, const uint8_t *b)
{
    ServerClient &c = s->clients[slot];
    if (wire_u32(b, 9) != s->race_id || c.start_position == NET_NO_SLOT)
        return;
    uint32_t value = wire_u32(b, 13);
    if (value != 0 && value != c.last_value && (int)value <= s->tick) {
        c.last_value = value;
        c.ping = std::min(s->tick - (int)value, (1 << 26) - 1);
    }
    int tick = wire_i32(b, 17);
    if (tick <= 0 || tick <= c.snapshot_tick)
        return;
    c.phase = PHASE_READY;
    c.snapshot_tick = tick;
    std::copy(b + 21, b + 21 + SNAPSHOT_BYTES, c.snapshot.bytes);
    c.has_snapshot = true;
    c.echo = (uint32_t)tick;
}

void take_hello(Server *s, const uint8_t *b, const NetAddress &from, double now)
{
    int slot = -1;
    for (int k = 0; k < 40; ++k)
        if (s->clients[k].used && net_same_address(s->clients[k].address, from))
            slot = k;
    if (slot < 0) {
        int used = server_clients(*s);
        for (int k = 0; k < 40 && slot < 0 && used < s->config.max_players; ++k)
            if (!s->clients[k].used)
                slot = k;
        if (slot < 0) {
            WireWriter w;
            w.u8(NET_FULL);
            send_to(s, from, w, nullptr);
            return;
        }
        ServerClient &c = s->clients[slot];
        c = ServerClient();
        c.used = true;
        c.address = from;
        s->random = s->random * 1664525u + 1013904223u;
        c.key = s->random ^ (uint32_t)(now * 1e6);
        c.client_value = wire_u32(b, 5);
        std::fill(c.relayed_tick, c.relayed_tick + 40, -1);
        char text[32];
        net_address_text(from, text, sizeof text);
        server_log("slot %d: hello from %s", slot, text);
    }
    ServerClient &c = s->clients[slot];
    c.last_heard = now;
    WireWriter w;
    w.u8(NET_WELCOME);
    w.u32((uint32_t)slot);
    w.u32(c.key);
    w.u32(NET_PROTOCOL_VERSION);
    send_client(s, slot, w);
}

void take_client_info(Server *s, int slot, const uint8_t *b, int length, double now)
{
    ServerClient &c = s->clients[slot];
    if (!s->config.password.empty() && wire_u32(b, 9) != net_password_proof(s->config.password, c.key)) {
        server_log("slot %d refused: wrong password", slot);
        WireWriter w;
        w.u8(NET_TEXT);
        w.text("Wrong password\n", 64);
        send_client(s, slot, w);
        WireWriter bye;
        bye.u8(NET_DISCONNECTED);
        send_client(s, slot, bye);
        c = ServerClient();
        return;
    }
    if (c.race_id == s->race_id) {
        announce(s, slot); // its announcement was lost
        return;
    }
    std::string text = wire_text(b, length, 41, NET_DESCRIPTION_MAX);
    RiderDescription d;
    if (!description_parse(text, &d)) {
        d.bike = "crf250(2009)";
        text = description_text(d);
    }
    c.description = d;
    c.description_text = text;
    if (s->race_phase == RACE_LOBBY)
        start_clock(s);
    announce(s, slot);
    if (entry_open(*s) && s->race_phase == RACE_RUNNING)
        c.start_position = s->next_start_position++;
    server_log("slot %d: %s #%s on %s joins race %u %s", slot, d.name.c_str(), d.number.c_str(), d.bike.c_str(),
               s->race_id, c.start_position == NET_NO_SLOT ? "to watch" : "on the gate");
    if (s->config.no_arcade) {
        WireWriter data;
        data.text("no_arcade", 16);
        queue_reliable(s, slot, RELIABLE_OPTION, data, now);
    }
}

int sender_slot(Server *s, const uint8_t *b, const NetAddress &from)
{
    uint32_t id = wire_u32(b, 1);
    if (id >= 40)
        return -1;
    const ServerClient &c = s->clients[id];
    if (!c.used || !net_same_address(c.address, from))
        return -1;
    // Kind 18 carries no key: the address is the proof.
    if (b[0] != NET_ACK && wire_u32(b, 5) != c.key)
        return -1;
    return (int)id;
}

// The least length of each kind the server accepts (0: not accepted).

int least_length(int kind)
{
    switch (kind) {
    case NET_HELLO:
    case NET_TRACK_ACK:
    case NET_READY:
    case NET_RESTART_REQUEST:
    case NET_RESTART:
        return 13;
    case NET_CLIENT_INFO:
        return 41;
    case NET_RIDER_ACK:
        return 17;
    case NET_STATE:
        return NET_STATE_BYTES;
    case NET_LEAVE:
        return 9;
    case NET_RELIABLE:
        return 14;
    case NET_ACK:
        return 9;
    default:
        return 0;
    }
}

} // namespace

bool server_log_quiet = false;

void server_log(const char *format, ...)
{
    if (server_log_quiet)
        return;
    time_t t = time(nullptr);
    struct tm local;
    localtime_r(&t, &local);
    printf("[%02d:%02d:%02d] ", local.tm_hour, local.tm_min, local.tm_sec);
    va_list args;
    va_start(args, format);
    vprintf(format, args);
    va_end(args);
    printf("\n");
    fflush(stdout);
}

int server_clients(const Server &s)
{
    int n = 0;
    for (const ServerClient &c : s.clients)
        n += c.used;
    return n;
}

bool server_open(Server *s, const ServerConfig &config, std::string *error)
{
    s->config = config;
    s->config.max_players = std::clamp(config.max_players, 1, 40);
    std::vector<std::string> folders = config.tracks;
    if (folders.empty())
        folders = build_track_list(false).folders;
    for (const std::string &folder : folders) {
        Track track;
        if (!load_track(&track, folder, "")) {
            *error = "can't load track '" + folder + "'";
            return false;
        }
        ServerTrack t;
        t.folder = folder;
        std::copy(track.digest, track.digest + 20, t.digest);
        t.first_lap_count = track.objects.gates.first_lap_count;
        t.normal_lap_count = track.objects.gates.normal_lap_count;
        unload_track(&track);
        if (t.normal_lap_count <= 0) {
            *error = "track '" + folder + "' has no timed laps";
            return false;
        }
        s->tracks.push_back(t);
    }
    if (s->tracks.empty()) {
        *error = "no tracks to race";
        return false;
    }
    if (config.port > 0) {
        s->socket = net_socket();
        if (s->socket < 0 || !net_bind(s->socket, config.port)) {
            const char *name = net_error_name();
            *error =
                "can't listen on port " + std::to_string(config.port) + (name ? std::string(" (") + name + ")" : "");
            net_close(s->socket);
            s->socket = -1;
            return false;
        }
    }
    return true;
}

void server_handle(Server *s, const uint8_t *b, int length, const NetAddress &from, double now)
{
    s->bytes_received += (uint64_t)std::max(length, 0);
    if (length < 1)
        return;
    int kind = b[0], least = least_length(kind);
    if (least == 0) {
        drop(s, now, from, "unknown kind", kind, length);
        return;
    }
    if (length < least) {
        drop(s, now, from, "truncated", kind, length);
        return;
    }
    if (length > NET_MAX_DATAGRAM - 1) {
        drop(s, now, from, "oversized", kind, length);
        return;
    }
    if (kind == NET_HELLO) {
        take_hello(s, b, from, now);
        return;
    }
    int slot = sender_slot(s, b, from);
    if (slot < 0) {
        drop(s, now, from, "not a client of this server", kind, length);
        return;
    }
    ServerClient &c = s->clients[slot];
    c.last_heard = now;
    switch (kind) {
    case NET_CLIENT_INFO:
        take_client_info(s, slot, b, length, now);
        break;
    case NET_TRACK_ACK:
        if (wire_u32(b, 9) == s->race_id && c.race_id == s->race_id)
            describe_riders(s, slot, -1);
        break;
    case NET_RIDER_ACK:
        if (wire_u32(b, 9) == s->race_id && c.race_id == s->race_id)
            describe_riders(s, slot, wire_i32(b, 13));
        break;
    case NET_READY:
        if (wire_u32(b, 9) == s->race_id && c.race_id == s->race_id) {
            c.phase = PHASE_READY;
            WireWriter w;
            w.u8(NET_TIME);
            w.u32(s->race_id);
            w.u32((uint32_t)s->tick);
            w.u32(0);
            send_client(s, slot, w);
        }
        break;
    case NET_STATE:
        take_state(s, slot, b);
        break;
    case NET_RESTART_REQUEST:
        if (!c.restart_wanted)
            server_log("slot %d asks for a restart", slot);
        c.restart_wanted = true;
        break;
    case NET_RESTART:
        if (wire_u32(b, 9) == s->race_id)
            announce(s, slot);
        break;
    case NET_LEAVE: {
        WireWriter w;
        w.u8(NET_DISCONNECTED);
        send_client(s, slot, w);
        free_client(s, slot, "left", now);
        break;
    }
    case NET_RELIABLE:
        take_reliable(s, slot, b, length, now);
        break;
    case NET_ACK:
        if (!c.out.empty() && c.out.front().sequence == wire_u32(b, 5))
            c.out.pop_front();
        break;
    }
}

void server_receive(Server *s, double now)
{
    uint8_t buffer[NET_MAX_DATAGRAM];
    NetAddress from;
    for (int n = 0; n < 100000; ++n) {
        int length = net_recv(s->socket, buffer, sizeof buffer, &from);
        if (length < 0)
            break;
        // Each address's share: tokens refill at the rate, up to the burst.
        // A table of addresses full of strangers is emptied: the ones that
        // keep sending start again with a full burst.
        uint64_t id = (uint64_t)from.port << 32 | (uint64_t)from.address[0] << 24 | (uint64_t)from.address[1] << 16 |
                      (uint64_t)from.address[2] << 8 | from.address[3];
        auto found = s->rates.find(id);
        if (found == s->rates.end()) {
            if (s->rates.size() >= max_rate_entries)
                s->rates.clear();
            found = s->rates.emplace(id, RateEntry{rate_burst, now}).first;
        }
        RateEntry *entry = &found->second;
        entry->tokens = std::min(rate_burst, entry->tokens + (now - entry->time) * rate_per_second);
        entry->time = now;
        if (entry->tokens < 1) {
            ++s->datagrams_dropped;
            continue;
        }
        entry->tokens -= 1;
        server_handle(s, buffer, length, from, now);
    }
}
