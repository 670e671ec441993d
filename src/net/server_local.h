// The race server's own pieces shared by its datagram handling
// (server.cpp) and its race flow (server_race.cpp).
#pragma once

#include "net/server.h"

#include <string>

// Sends a datagram to an address (counted in a client's traffic when
// given).
void send_to(Server *server, const NetAddress &to, const WireWriter &datagram, ServerClient *client);

// Sends a datagram to a client (counted in its traffic); a kind and one value.
void send_client(Server *server, int slot, const WireWriter &datagram);
void send_kind(Server *server, int slot, int kind, uint32_t value);

// Queues a reliable message to a client (sent by server_step, resent every
// 0.5 s until acknowledged); a text to every client in a race.
void queue_reliable(Server *server, int slot, int sub_kind, const WireWriter &data, double now);
void send_text_all(Server *server, const std::string &text, double now);

// The track of the current race.
const ServerTrack &current_track(const Server &server);

// Announces the current race to a client (and makes it the client's race).
void announce(Server *server, int slot);

// Whether players arriving now still get a start position.
bool entry_open(const Server &server);

// Whether a client rides a race with a start position.
bool racing(const ServerClient &client, uint32_t race_id);

// Starts the race clock: the gate drops gate_delay seconds on.
void start_clock(Server *server);

// Frees a client's slot and tells the others.
void free_client(Server *server, int slot, const char *why, double now);

// Whether a sequence position of the track is a lap line (1) or not (0).
int lap_line(const ServerTrack &track, int position);

// A player's own gate crossing: its progress, its finish, and the crossing
// queued for every other client.
void take_crossing(Server *server, int slot, int position, int tick);
