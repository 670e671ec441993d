// The network client: its connection to a race server, the state machine
// from contacting to racing, the datagrams it sends and accepts (listed in
// net/wire.h), reliable messages, time keeping and ping. net_poll runs once
// per simulation step, before the tick.
//
// The client simulates only its own rider; the other players' riders are
// remote slots of the race, moved by the snapshots the server relays.
#pragma once

#include "net/wire.h"
#include "platform/datagram.h"
#include "race/remote.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

struct Sim;
struct TrackList;

// States of the connection.
enum NetState {
    NET_CONTACTING = 0,
    NET_WELCOMED = 3,
    NET_TRACK_KNOWN = 5,
    NET_RECEIVING_RIDERS = 7,
    NET_RACE_STARTED = 9,
    NET_RACING = 11,
    NET_NEW_RACE_ANNOUNCED = 14,
    NET_LEAVING = 15,
};

enum { NET_DELAY_QUEUE = 1024 };

struct ReliableOut {
    double resend_time = 0;
    uint32_t sequence = 0;
    std::vector<uint8_t> bytes;
};

struct DelayedDatagram {
    double arrival = 0;
    std::vector<uint8_t> bytes;
};

struct NetClient {
    // Set by the game: where to connect and how.
    std::string server;   // address text; empty: none
    std::string password; // empty: none
    double fake_lag = 0;  // seconds
    int fake_loss = 0;    // percent of received datagrams dropped
    bool record_demo = false;
    std::string player_name;
    bool description_changed = false; // the menus changed bike, graphics or number
    bool description_menu_open = false;

    // The connection.
    bool have_address = false;
    NetAddress address;
    int socket = -1;
    int state = NET_CONTACTING;
    uint32_t client_id = NET_NO_SLOT, key = 0, race_id = 0;
    uint32_t client_value = 0x52757476, random_value = 0;
    uint32_t server_value = 0; // from kind 13, echoed in the state datagrams
    int time_limit = 0, laps = 0, start_tick = 0;
    std::string track_folder;
    uint8_t track_hash[20] = {};
    int server_tick = 0;
    int highest_slot = NET_NO_SLOT;
    int lineup[REMOTE_SLOTS] = {};
    int ping = 0; // ticks, the player's
    bool arcade_disabled = false;
    double last_send = 0;
    int reported_gates = 0;
    std::deque<ReliableOut> out;
    uint32_t next_out_sequence = 1, next_in_sequence = 1;
    std::deque<DelayedDatagram> delayed;
    uint64_t bytes_sent = 0, bytes_received = 0;
};

// Whether a connection is open.
inline bool net_connected(const NetClient &c)
{
    return c.socket >= 0;
}

// One step's network work (connecting first when a server is set and no
// socket is open); `now` is the frame clock in seconds.
void net_poll(NetClient *client, Sim *sim, const TrackList &tracks, double now);

// Handles one datagram from the server (the receive path after the fake
// lag and loss).
void net_handle(NetClient *client, Sim *sim, const TrackList &tracks, const uint8_t *bytes, int length, double now);

// Sends the leave datagram, closes the socket and forgets the server.
void net_leave(NetClient *client, Sim *sim);

// Asks the server to restart the race.
void net_request_restart(NetClient *client);

// Queues a chat line (sent reliably).
void net_chat(NetClient *client, const std::string &text, double now);

// The player's ping and the server tick's lead over the local tick, in ms.
int net_ping_ms(const NetClient &client, const Sim &sim, int slot);
int net_offset_ms(const NetClient &client, const Sim &sim);

// How much faster or slower game time runs to stay in step with a server
// whose newest tick is `lag` seconds ahead (negative: behind); up to four
// times while waiting at the gate.
double network_time_scale(double lag, bool before_start);
