// The race server: decides the races (track rotation, laps or time, who
// rides in which slot, when the gate drops, the next race), welcomes
// clients with or without a password, relays every player's rider state,
// gate crossings and chat, keeps the race clock the clients follow,
// measures pings and drops clients that go silent. Its datagrams are the
// client's (net/wire.h); the server's own rules are documented at the top
// of server.cpp.
//
// One Server record holds everything; server_handle takes one datagram and
// server_step runs one 1/128 s step, so tests and the fuzz target drive it
// without a socket.
#pragma once

#include "net/wire.h"
#include "platform/datagram.h"
#include "race/snapshot.h"

#include <cstdint>
#include <deque>
#include <string>
#include <unordered_map>
#include <vector>

struct ServerConfig {
    int port = NET_DEFAULT_PORT;
    std::vector<std::string> tracks; // the rotation; empty: every track found
    int laps = 3;
    int minutes = 0; // a time limit instead of laps when above 0
    std::string password;
    int max_players = 40;
    double gate_delay = 20;   // seconds from the first player's arrival to the gate drop
    double results_time = 10; // seconds the results stand before the next race
    double timeout = 5;       // seconds of silence before a client is dropped
    bool no_arcade = false;   // riders may not use the arcade steering aid
};

// What the server knows of a track of its rotation.
struct ServerTrack {
    std::string folder;
    uint8_t digest[20] = {};
    int first_lap_count = 0, normal_lap_count = 0;
};

struct ServerReliable {
    uint32_t sequence = 0;
    double resend_time = 0;
    std::vector<uint8_t> bytes;
};

struct Crossing {
    int slot, position, tick;
};

enum ServerPhase { PHASE_WELCOMED, PHASE_IN_RACE_SETUP, PHASE_READY };

struct ServerClient {
    bool used = false;
    NetAddress address;
    uint32_t key = 0, client_value = 0;
    int phase = PHASE_WELCOMED;
    double last_heard = 0;
    RiderDescription description;
    std::string description_text;
    uint32_t race_id = 0;             // the race it has been announced
    int start_position = NET_NO_SLOT; // in the current race; NET_NO_SLOT: watching
    bool has_snapshot = false;
    int snapshot_tick = -1;
    RiderSnapshot snapshot;
    uint32_t echo = 0;       // its newest local tick not yet echoed (0: none)
    uint32_t last_value = 0; // the newest server value it echoed
    int ping = 0;            // ticks
    int relayed_tick[40];    // per slot, the newest snapshot tick sent to it
    int gates = 0;           // sequence positions passed in this race
    int last_crossing_tick = -1;
    bool finished = false;
    bool restart_wanted = false;
    std::deque<ServerReliable> out;
    uint32_t next_out_sequence = 1, next_in_sequence = 1;
    std::vector<Crossing> pending_crossings;
    uint64_t bytes_sent = 0;
};

enum RacePhase { RACE_LOBBY, RACE_RUNNING, RACE_RESULTS };

struct RateEntry {
    double tokens = 0, time = 0;
};

struct Server {
    ServerConfig config;
    std::vector<ServerTrack> tracks;
    int socket = -1;
    ServerClient clients[40];
    uint32_t race_id = 1;
    int track_index = 0;
    int race_phase = RACE_LOBBY;
    int tick = 0; // the race clock; 0 while nobody is there
    int start_tick = 0, time_limit = 0;
    int leader_finish_tick = -1;
    double results_since = 0;
    int next_start_position = 0;
    uint32_t random = 0x2545f491;
    std::unordered_map<uint64_t, RateEntry> rates; // by address and port
    // Rate-limited logging of dropped datagrams.
    double drop_log_second = 0;
    int drop_logs = 0, drops_unlogged = 0;
    uint64_t bytes_sent = 0, bytes_received = 0, datagrams_dropped = 0;
};

// Reads the rotation's tracks (their digests and lap gates) and, with a
// port above 0, binds the socket. False with a message when it cannot.
bool server_open(Server *server, const ServerConfig &config, std::string *error);

// Handles one datagram from an address.
void server_handle(Server *server, const uint8_t *bytes, int length, const NetAddress &from, double now);

// Reads every waiting datagram (within each address's rate) and handles it.
void server_receive(Server *server, double now);

// One 1/128 s step: the race clock and flow, relaying, resends, timeouts.
void server_step(Server *server, double now);

// Tells every client the server is going and closes the socket.
void server_close(Server *server);

// Clients connected.
int server_clients(const Server &server);

// A log line on standard output, stamped with the time of day (nothing
// while server_log_quiet is set).
extern bool server_log_quiet;
void server_log(const char *format, ...) __attribute__((format(printf, 1, 2)));
