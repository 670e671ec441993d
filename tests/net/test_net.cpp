// Network play: the datagram layer, the shared wire pieces, and a client
// and a server talking over the loopback in one process, stepped by hand.
#include "net/client.h"
#include "net/server.h"
#include "net/server_local.h"
#include "platform/datagram.h"
#include "platform/messages.h"
#include "race/race.h"
#include "race/sim_fixture.h"
#include "track/track_list.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <string>
#include <unistd.h>

namespace
{

TEST(Datagram, ResolvesHostAndPortText)
{
    struct Case {
        const char *text;
        bool resolves;
        int port;
    } cases[] = {
        {"127.0.0.1", true, 19800},
        {"127.0.0.1:2345", true, 2345},
        {"localhost:99", true, 99},
        {"localhost:junk", false, 0}, // not a port: the whole text is the host name
        {"::127.0.0.1:77", false, 0}, // only the part after the last ':' is the port
        {"", false, 0},
    };
    for (const Case &c : cases) {
        NetAddress a;
        EXPECT_EQ(net_resolve(&a, c.text, NET_DEFAULT_PORT), c.resolves) << c.text;
        if (c.resolves) {
            EXPECT_EQ(ntohs(a.port), c.port) << c.text;
            EXPECT_EQ(a.address[0], 127) << c.text;
        }
    }
}

TEST(Datagram, EmptySocketReceivesNothingWithoutError)
{
    int s = net_socket();
    ASSERT_GE(s, 0);
    uint8_t buffer[16];
    NetAddress from;
    EXPECT_EQ(net_recv(s, buffer, sizeof buffer, &from), -1);
    EXPECT_EQ(net_error_name(), nullptr);
    net_close(s);
    EXPECT_STREQ(net_error_for(ECONNREFUSED), "WSAECONNRESET");
    EXPECT_EQ(net_error_for(EAGAIN), nullptr);
    EXPECT_STREQ(net_error_for(EPERM), "Programmer too lazy error");
}

TEST(Wire, PasswordProofAndDescriptions)
{
    EXPECT_EQ(net_password_proof("", 1234), 0u);
    EXPECT_NE(net_password_proof("secret", 1), net_password_proof("secret", 2));
    RiderDescription d;
    d.bike = "crf250(2009)", d.body_texture = "gear", d.number = "12", d.name = "Ann";
    std::string text = description_text(d);
    EXPECT_EQ(text, "crf250(2009)|gear|||\n12\nAnn");
    RiderDescription back;
    ASSERT_TRUE(description_parse(text, &back));
    EXPECT_EQ(back.bike, d.bike);
    EXPECT_EQ(back.body_texture, "gear");
    EXPECT_EQ(back.number, "12");
    EXPECT_EQ(back.name, "Ann");
    d.wheel_texture = std::string(1000, 'w'); // too long: the short form
    EXPECT_EQ(description_text(d), "crf250(2009)\n12\nAnn");
    EXPECT_FALSE(description_parse("", &back));
}

// A server on a loopback port and a client joining it, both stepped in the
// same time.
class NetRaceTest : public GameRaceTest
{
  protected:
    Server server;
    NetClient client;
    TrackList tracks;
    double now = 1000;

    void SetUp() override
    {
        GameRaceTest::SetUp();
        server_log_quiet = true;
        ServerConfig config;
        config.port = 21000 + getpid() % 20000;
        config.tracks = {"quarry"};
        config.gate_delay = 8;
        std::string error;
        ASSERT_TRUE(server_open(&server, config, &error)) << error;
        tracks.folders = {"quarry", "rabbithill"};
        client.server = "127.0.0.1:" + std::to_string(config.port);
        client.player_name = "Tester";
    }
    void TearDown() override
    {
        net_leave(&client, &sim);
        server_close(&server);
        server_log_quiet = false;
        GameRaceTest::TearDown();
    }
    void step()
    {
        now += 1.0 / 128;
        server_receive(&server, now);
        server_step(&server, now);
        net_poll(&client, &sim, tracks, now);
        if (client.server_tick > 0 && !track.folder.empty())
            sim_tick(&sim);
    }
    bool run_until(const std::function<bool()> &done, double seconds)
    {
        for (int n = 0; n < seconds * 128; ++n) {
            step();
            if (done())
                return true;
        }
        return false;
    }
    // The newest message line, without its line end.
    std::string newest_message(int age = 0)
    {
        std::string line = message_log_line(age);
        while (!line.empty() && line.back() == '\n')
            line.pop_back();
        return line;
    }
};

TEST_F(NetRaceTest, JoinsRacesAndIsRelayed)
{
    ASSERT_TRUE(run_until([&] { return client.state == NET_RACING; }, 20)) << client.state;
    EXPECT_EQ(client.client_id, 0u);
    EXPECT_EQ(track.folder, "quarry");
    EXPECT_TRUE(has_start_slot(sim.network));
    EXPECT_EQ(sim.race.slots[0].kind, KIND_LOCAL);
    // The first time datagram set the local tick to the server's clock.
    EXPECT_NEAR(sim.race.tick, server.tick, 8);
    ASSERT_TRUE(run_until([&] { return server.clients[0].has_snapshot; }, 2));
    EXPECT_EQ(server.clients[0].description.name, "Tester");
    run_until([] { return false; }, 1);
    EXPECT_GT(client.ping, 0);
    EXPECT_LT(client.ping, 16);
}

TEST_F(NetRaceTest, ServerDropsWhatIsNotItsClients)
{
    ASSERT_TRUE(run_until([&] { return client.state == NET_RACING; }, 20));
    uint64_t dropped = server.datagrams_dropped;
    NetAddress stranger;
    net_resolve(&stranger, "127.0.0.9:4444", 0);
    // Slot 0's state and leave from another address, with and without its key.
    for (uint32_t key : {0u, server.clients[0].key}) {
        WireWriter w;
        w.u8(NET_STATE), w.u32(0), w.u32(key), w.u32(server.race_id), w.u32(0), w.u32(1 << 30);
        w.raw(std::string(39, 'x').data(), 39);
        server_handle(&server, w.bytes, w.length, stranger, now);
        WireWriter bye;
        bye.u8(NET_LEAVE), bye.u32(0), bye.u32(key);
        server_handle(&server, bye.bytes, bye.length, stranger, now);
    }
    const uint8_t truncated[] = {NET_RELIABLE, 0, 0}, unknown[] = {200, 1, 2, 3};
    server_handle(&server, truncated, sizeof truncated, stranger, now);
    server_handle(&server, unknown, sizeof unknown, stranger, now);
    EXPECT_EQ(server.datagrams_dropped, dropped + 6);
    EXPECT_TRUE(server.clients[0].used);
    EXPECT_LT(server.clients[0].snapshot_tick, 1 << 30);
    EXPECT_TRUE(run_until([&] { return false; }, 1) || client.state == NET_RACING);
    EXPECT_EQ(client.state, NET_RACING);
}

TEST_F(NetRaceTest, ClientIgnoresWhatDoesNotFit)
{
    ASSERT_TRUE(run_until([&] { return client.state == NET_RACING; }, 20));
    int tick = sim.race.tick;
    // A state datagram whose count passes its length.
    WireWriter w;
    w.u8(NET_STATE), w.u32(client.race_id), w.u32(tick + 10), w.u32(0), w.u32(1000000);
    net_handle(&client, &sim, tracks, w.bytes, w.length, now);
    EXPECT_EQ(newest_message(), std::string("State packet too small"));
    // A record for the player's own slot is not taken.
    WireWriter own;
    own.u8(NET_STATE), own.u32(client.race_id), own.u32(tick + 10), own.u32(0), own.u32(1);
    own.u32(0), own.u32((uint32_t)tick + 5);
    own.raw(std::string(39, '\0').data(), 39);
    net_handle(&client, &sim, tracks, own.bytes, own.length, now);
    EXPECT_EQ(sim.network.last_received[0], -1);
    // A reliable text repeated with the same sequence is shown once.
    message_log_clear();
    WireWriter text;
    text.u8(NET_RELIABLE), text.u32(client.next_in_sequence), text.u8(RELIABLE_TEXT), text.text("hello there", 64);
    net_handle(&client, &sim, tracks, text.bytes, text.length, now);
    net_handle(&client, &sim, tracks, text.bytes, text.length, now);
    EXPECT_EQ(newest_message(), std::string("hello there"));
    EXPECT_NE(newest_message(1), "hello there");
    // A welcome for a slot outside the race is not taken.
    NetClient fresh;
    const uint8_t welcome[13] = {NET_WELCOME, 77, 0, 0, 0, 1, 0, 0, 0, 4, 0, 0, 0};
    net_handle(&fresh, &sim, tracks, welcome, sizeof welcome, now);
    EXPECT_EQ(fresh.state, NET_CONTACTING);
    EXPECT_EQ(fresh.client_id, 40u);
}

// A rider that crashed past the line, went back for a gate it had missed
// and took the lap line again finishes with that second crossing: the
// server counts the line again though the rider had passed it before.
TEST_F(NetRaceTest, ALapLineTakenAgainFinishes)
{
    ASSERT_TRUE(run_until([&] { return client.state == NET_RACING; }, 20));
    ServerClient &c = server.clients[0];
    const ServerTrack &t = current_track(server);
    int line = t.first_lap_count - 1; // the end of lap 1
    ASSERT_EQ(lap_line(t, line), 1);
    c.gates = line + 1; // crossed once, before the leader finished
    server.leader_finish_tick = 5000;
    auto crossing = [&](int position, int tick) {
        WireWriter w;
        w.u8(NET_RELIABLE), w.u32(0), w.u32(c.key), w.u32(c.next_in_sequence), w.u8(RELIABLE_CROSSINGS);
        w.u32(server.race_id), w.u32((uint32_t)position), w.u32((uint32_t)tick);
        server_handle(&server, w.bytes, w.length, c.address, now);
    };
    crossing(line - 1, 5100); // the missed gate: behind, not a line, changes nothing
    EXPECT_EQ(c.gates, line + 1);
    EXPECT_FALSE(c.finished);
    crossing(line, 5200);
    EXPECT_TRUE(c.finished);
    EXPECT_EQ(c.gates, line + 1);
}

TEST_F(NetRaceTest, WrongPasswordIsRefused)
{
    server.config.password = "right";
    client.password = "wrong";
    message_log_clear();
    run_until([&] { return !net_connected(client) && client.server.empty(); }, 5);
    EXPECT_FALSE(net_connected(client));
    EXPECT_EQ(server_clients(server), 0);
    bool told = false;
    for (int age = 0; age < 5; ++age)
        told |= newest_message(age) == "Wrong password";
    EXPECT_TRUE(told);
    EXPECT_EQ(newest_message(), std::string("Disconnected"));
}

} // namespace
