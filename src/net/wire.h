// The race protocol's datagrams: kinds, sizes and the little-endian field
// readers and writers both the client and the race server use. Byte 0 of
// every datagram is its kind; integers are 32-bit little-endian.
//
// Client to server:
//   0 hello        13  [1] password set, [5..8] client value, [9..12] 7
//   3 client info  41+ id, key, password proof, client value, random value,
//                      [21..40] digest, [41..] rider description
//   5 track ack    13  id, key, race id
//   7 rider ack    17  id, key, race id, highest described slot
//   9 ready        13  id, key, race id
//  11 state        60  id, key, race id, server value echo, local tick,
//                      [21..59] the player's snapshot
//  13 restart req  13  id, key, 1
//  14 restart      13  id, key, race id
//  15 leave         9  id, key
//  17 reliable    14+  id, key, sequence, [13] sub-kind, [14..] data
//  18 ack          13  id, sequence, 4 bytes of the message's header
// Server to client:
//   1 full; 2 welcome (id, key, version); 4 race announcement (race id, time
//   limit, laps, start tick, 20-byte track hash, track folder); 6 rider
//   description (race id, slot, text); 8 race start (race id, start slot);
//   10 time (race id, server tick, echo); 11 state (race id, server tick,
//   echo, count, count x 47-byte records); 13 server value; 14 new race
//   (race id); 15 disconnected; 16 text; 17 reliable (sequence, sub-kind,
//   data); 18 ack (sequence).
#pragma once

#include "race/remote.h"
#include <cstdint>

#include <algorithm>
#include <cstring>
#include <string>

enum NetKind {
    NET_HELLO = 0,
    NET_FULL = 1,
    NET_WELCOME = 2,
    NET_CLIENT_INFO = 3,
    NET_ANNOUNCE = 4,
    NET_TRACK_ACK = 5,
    NET_RIDER_INFO = 6,
    NET_RIDER_ACK = 7,
    NET_RACE_START = 8,
    NET_READY = 9,
    NET_TIME = 10,
    NET_STATE = 11,
    NET_SERVER_VALUE = 13,
    NET_RESTART_REQUEST = 13,
    NET_NEW_RACE = 14,
    NET_RESTART = 14,
    NET_LEAVE = 15,
    NET_DISCONNECTED = 15,
    NET_TEXT = 16,
    NET_RELIABLE = 17,
    NET_ACK = 18,
};

// Sub-kinds of reliable messages.
enum NetReliable {
    RELIABLE_DESCRIPTION = 3,
    RELIABLE_TEXT = 19,
    RELIABLE_CROSSINGS = 21,
    RELIABLE_OPTION = 24,
};

enum {
    NET_DEFAULT_PORT = 19800,
    NET_PROTOCOL_VERSION = 4,
    NET_NO_SLOT = 40,
    NET_STATE_BYTES = 60,
    NET_RECORD_BYTES = 47,
    NET_MAX_DATAGRAM = 2048,
    NET_DESCRIPTION_MAX = 982, // a rider description text
    NET_RELIABLE_DESCRIPTION = 465,
    NET_RELIABLE_TEXT = 466, // a chat line in a reliable message
    NET_TRACK_NAME_MAX = 255,
};

// Writes little-endian fields into a datagram being built; never past its
// buffer (a full buffer sets `overflow`).
struct WireWriter {
    uint8_t bytes[NET_MAX_DATAGRAM];
    int length = 0;
    bool overflow = false;

    void u8(int v)
    {
        if (length >= NET_MAX_DATAGRAM) {
            overflow = true;
            return;
        }
        bytes[length++] = (uint8_t)v;
    }
    void u32(uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            u8((int)((v >> (8 * i)) & 0xff));
    }
    void raw(const void *data, int n)
    {
        for (int i = 0; i < n; ++i)
            u8(((const uint8_t *)data)[i]);
    }
    void text(const std::string &s, int max) { raw(s.data(), (int)std::min<size_t>(s.size(), (size_t)max)); }
};

// A 32-bit little-endian field at an offset; the caller has checked the
// datagram is long enough.
inline uint32_t wire_u32(const uint8_t *bytes, int offset)
{
    const uint8_t *p = bytes + offset;
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

inline int wire_i32(const uint8_t *bytes, int offset)
{
    return (int)wire_u32(bytes, offset);
}

// The text from an offset to the datagram's end (empty past it), cut at
// the first zero byte and at `max` bytes.
inline std::string wire_text(const uint8_t *bytes, int length, int offset, int max)
{
    if (offset >= length)
        return std::string();
    int n = std::min(length - offset, max);
    const char *p = (const char *)bytes + offset;
    const void *zero = memchr(p, 0, (size_t)n);
    return std::string(p, zero ? (size_t)((const char *)zero - p) : (size_t)n);
}

// The password proof: the first four bytes of the digest of the password
// followed by the connection key (4 little-endian bytes), read in reverse
// order; 0 without a password.
uint32_t net_password_proof(const std::string &password, uint32_t key);

// The client info's digest of the connection key, the random value and the
// track hash text.
void net_info_digest(uint32_t key, uint32_t random, const std::string &hash_text, uint8_t out[20]);

// "bike|gear|bike texture|wheel|helmet\nnumber\nname", or the short form
// "bike\nnumber\nname" when the long one passes the size limit.
std::string description_text(const RiderDescription &d);

// Reads a description text in either form; false when it has no bike.
bool description_parse(const std::string &text, RiderDescription *d);
