// Datagram transport on POSIX UDP sockets.
#include "platform/datagram.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

const char *last_error = nullptr;
bool library_started = false;

void start_library()
{
    library_started = true;
}

void set_error(int error)
{
    last_error = net_error_for(error);
}

sockaddr_in to_sockaddr(const NetAddress &a)
{
    sockaddr_in s;
    memset(&s, 0, sizeof s);
    s.sin_family = AF_INET;
    s.sin_port = a.port;
    memcpy(&s.sin_addr, a.address, 4);
    return s;
}

} // namespace

const char *net_error_for(int error)
{
    switch (error) {
    case EINTR:
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
        return nullptr;
    case EFAULT:
        return "WSAEFAULT";
    case EINVAL:
        return "WSAEINVAL";
    case EINPROGRESS:
        return "WSAEINPROGRESS";
    case ENOTSOCK:
    case EBADF:
        return "WSAENOTSOCK";
    case EMSGSIZE:
        return "WSAEMSGSIZE";
    case EOPNOTSUPP:
        return "WSAEOPNOTSUPP";
    case ENETDOWN:
    case ENETUNREACH:
        return "WSAENETDOWN";
    case ENETRESET:
        return "WSAENETRESET";
    case ECONNRESET:
    case ECONNREFUSED:
        return "WSAECONNRESET";
    case EISCONN:
        return "WSAEISCONN";
    case ESHUTDOWN:
        return "WSAESHUTDOWN";
    case ETIMEDOUT:
        return "WSAETIMEDOUT";
    default:
        return "Programmer too lazy error";
    }
}

bool net_resolve(NetAddress *a, const char *text, int default_port)
{
    last_error = nullptr;
    start_library();
    *a = NetAddress();
    a->family = AF_INET;
    std::string host = text ? text : "";
    int port = default_port;
    size_t colon = host.rfind(':');
    if (colon != std::string::npos) {
        int value;
        if (sscanf(host.c_str() + colon + 1, "%d", &value) == 1) {
            port = value;
            host.erase(colon);
        }
    }
    addrinfo hints;
    memset(&hints, 0, sizeof hints);
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo *found = nullptr;
    if (host.empty() || getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found)
        return false;
    const sockaddr_in *s = (const sockaddr_in *)found->ai_addr;
    memcpy(a->address, &s->sin_addr, 4);
    a->port = htons((uint16_t)port);
    freeaddrinfo(found);
    return true;
}

int net_socket()
{
    last_error = nullptr;
    start_library();
    int s = socket(AF_INET, SOCK_DGRAM, 0);
    if (s < 0) {
        set_error(errno);
        return -1;
    }
    int flags = fcntl(s, F_GETFL, 0);
    if (flags < 0 || fcntl(s, F_SETFL, flags | O_NONBLOCK) < 0) {
        set_error(errno);
        close(s);
        return -1;
    }
    return s;
}

bool net_bind(int s, int port)
{
    last_error = nullptr;
    sockaddr_in a;
    memset(&a, 0, sizeof a);
    a.sin_family = AF_INET;
    a.sin_port = htons((uint16_t)port);
    a.sin_addr.s_addr = htonl(INADDR_ANY);
    if (bind(s, (const sockaddr *)&a, sizeof a) != 0) {
        set_error(errno);
        return false;
    }
    return true;
}

int net_send(int s, const void *bytes, int length, const NetAddress &to)
{
    last_error = nullptr;
    sockaddr_in a = to_sockaddr(to);
    ssize_t n = sendto(s, bytes, (size_t)length, MSG_NOSIGNAL, (const sockaddr *)&a, sizeof a);
    if (n < 0) {
        set_error(errno);
        return -1;
    }
    return (int)n;
}

int net_recv(int s, void *buffer, int size, NetAddress *from)
{
    last_error = nullptr;
    sockaddr_in a;
    socklen_t length = sizeof a;
    ssize_t n = recvfrom(s, buffer, (size_t)size, 0, (sockaddr *)&a, &length);
    if (n < 0) {
        set_error(errno);
        return -1;
    }
    if (from) {
        *from = NetAddress();
        from->length = (int)length;
        from->family = AF_INET;
        from->port = a.sin_port;
        memcpy(from->address, &a.sin_addr, 4);
    }
    return (int)n;
}

void net_close(int s)
{
    last_error = nullptr;
    if (s >= 0)
        close(s);
}

void net_shutdown()
{
    last_error = nullptr;
    library_started = false;
}

const char *net_error_name()
{
    return last_error;
}

bool net_same_address(const NetAddress &a, const NetAddress &b)
{
    return a.port == b.port && memcmp(a.address, b.address, 4) == 0;
}

void net_address_text(const NetAddress &a, char *text, int size)
{
    snprintf(text, (size_t)size, "%d.%d.%d.%d:%d", a.address[0], a.address[1], a.address[2], a.address[3],
             ntohs(a.port));
}
