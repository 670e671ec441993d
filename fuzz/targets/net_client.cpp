// The network client's datagram handler: a series of datagrams from the
// server (each a length byte and its bytes) handled in every state of the
// connection, from contacting to racing.
#include "fuzz_target.h"

#include "net/client.h"
#include "race/race.h"
#include "track/track_list.h"

FUZZ_TARGET(net_client)
{
    if (size < 1)
        return;
    static Sim *sim = [] {
        Sim *s = new Sim;
        sim_create(s, nullptr);
        return s;
    }();
    TrackList tracks;
    tracks.folders = {"quarry"};
    NetClient client;
    const int states[8] = {NET_CONTACTING,   NET_WELCOMED, NET_TRACK_KNOWN,        NET_RECEIVING_RIDERS,
                           NET_RACE_STARTED, NET_RACING,   NET_NEW_RACE_ANNOUNCED, NET_LEAVING};
    client.state = states[data[0] & 7];
    client.client_id = data[0] & 8 ? 40 : 1;
    client.race_id = 7;
    remote_clear(&sim->network);
    sim->network.connected = true;
    for (size_t at = 1; at < size;) {
        size_t length = data[at++];
        if (length > size - at)
            length = size - at;
        net_handle(&client, sim, tracks, data + at, (int)length, 1.0);
        at += length;
        if (client.client_id > 40)
            __builtin_trap(); // the client id indexes the line-up
    }
    sim->network = NetworkRace();
}
