// Datagram transport: a thin layer over UDP sockets (IPv4). Resolving
// "host:port" texts, non-blocking sockets, sending and receiving. Every
// operation first clears the last error name and sets it on failure; the
// callers build their messages from it ("sendto error (%.100s)").
//
// The client never binds a port (the system picks one at its first send);
// the race server binds its listening port with net_bind.
#pragma once

#include <cstdint>

// An IPv4 socket address as the socket calls take it.
struct NetAddress {
    int length = 16;
    uint16_t family = 0;
    uint16_t port = 0; // network byte order
    uint8_t address[4] = {};
    uint8_t zero[8] = {};
};

// Resolves "host", "host:port" (the port after the last ':' when it reads as
// a number) into an address, with the default port when none is given.
// False when the host does not resolve.
bool net_resolve(NetAddress *address, const char *text, int default_port);

// A non-blocking IPv4 datagram socket, or -1.
int net_socket();

// Binds a socket to a local port on every interface (the server's port).
bool net_bind(int socket, int port);

// Sends a datagram; the bytes sent or -1.
int net_send(int socket, const void *bytes, int length, const NetAddress &to);

// Receives a datagram; its length, or -1 (with no error name when nothing
// was waiting). A datagram longer than the buffer is cut to it.
int net_recv(int socket, void *buffer, int size, NetAddress *from);

void net_close(int socket);

// Clears the library-started flag (nothing else to do on this platform).
void net_shutdown();

// The error name of the last failed operation, or null.
const char *net_error_name();

// The error name for an errno value (null for the ones that are not
// errors: interrupted, would block).
const char *net_error_for(int error);

// Whether two addresses are the same host and port.
bool net_same_address(const NetAddress &a, const NetAddress &b);

// "a.b.c.d:port".
void net_address_text(const NetAddress &address, char *text, int size);
