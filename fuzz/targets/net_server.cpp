// The race server's datagram handler: datagrams (each an address byte, a
// length byte and its bytes) from a few addresses, with the server's step
// run between them, so that hostile datagrams meet clients in every phase.
#include "fuzz_target.h"

#include "net/server.h"

FUZZ_TARGET(net_server)
{
    server_log_quiet = true;
    Server server;
    ServerTrack track;
    track.folder = "quarry";
    track.first_lap_count = 3;
    track.normal_lap_count = 5;
    server.tracks.push_back(track);
    server.config.gate_delay = 8;
    double now = 100;
    for (size_t at = 0; at + 2 <= size;) {
        uint8_t head = data[at];
        NetAddress from;
        from.family = 2;
        from.address[0] = 127;
        from.address[3] = (uint8_t)(1 + head % 4);
        from.port = (uint16_t)(4000 + head % 4);
        size_t length = data[at + 1];
        at += 2;
        if (length > size - at)
            length = size - at;
        server_handle(&server, data + at, (int)length, from, now);
        at += length;
        for (int steps = head >> 4; steps > 0; --steps) {
            now += 1.0 / 128;
            server_step(&server, now);
        }
        for (const ServerClient &c : server.clients)
            if (c.out.size() > 600 || c.pending_crossings.size() > 100)
                __builtin_trap(); // the queues stay bounded
    }
}
