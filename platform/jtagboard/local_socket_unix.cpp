#include "local_socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// `reuse`: a listener may take its port again while an old connection's
// TIME_WAIT lingers. A port held only to be refused must not be shared so.
SocketHandle boundSocket(unsigned port, unsigned &bound, std::string &error, bool reuse)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) {
        error = std::strerror(errno);
        return kNoSocket;
    }
    const int yes = 1;
    if (reuse)
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &size) != 0) {
        error = std::strerror(errno);
        ::close(fd);
        return kNoSocket;
    }
    bound = ntohs(address.sin_port);
    return fd;
}

}  // namespace

SocketHandle bindLocal(unsigned port, unsigned &boundPort, std::string &error)
{
    return boundSocket(port, boundPort, error, false);
}

SocketHandle listenLocal(unsigned port, unsigned &boundPort, std::string &error)
{
    const SocketHandle fd = boundSocket(port, boundPort, error, true);
    if (fd != kNoSocket && ::listen(static_cast<int>(fd), 1) != 0) {
        error = std::strerror(errno);
        ::close(static_cast<int>(fd));
        return kNoSocket;
    }
    return fd;
}

SocketHandle acceptClient(SocketHandle listener, std::string &error)
{
    int fd;
    do {
        fd = ::accept(static_cast<int>(listener), nullptr, nullptr);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        error = std::strerror(errno);
        return kNoSocket;
    }
    const int yes = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    return fd;
}

long long receiveSome(SocketHandle socket, char *data, std::size_t length)
{
    for (;;) {
        const ssize_t count = ::recv(static_cast<int>(socket), data, length, 0);
        if (count >= 0 || errno != EINTR)
            return count;
    }
}

bool sendAll(SocketHandle socket, const char *data, std::size_t length)
{
    while (length > 0) {
        const ssize_t count = ::send(static_cast<int>(socket), data, length, MSG_NOSIGNAL);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        data += count;
        length -= static_cast<std::size_t>(count);
    }
    return true;
}

void closeSocket(SocketHandle socket)
{
    if (socket != kNoSocket)
        ::close(static_cast<int>(socket));
}

void shutdownSocket(SocketHandle socket)
{
    if (socket != kNoSocket)
        ::shutdown(static_cast<int>(socket), SHUT_RDWR);
}

void resetSocket(SocketHandle socket)
{
    if (socket == kNoSocket)
        return;
    const linger abort{1, 0};
    ::setsockopt(static_cast<int>(socket), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    ::close(static_cast<int>(socket));
}

bool readableWithin(SocketHandle socket, int milliseconds)
{
    pollfd entry{static_cast<int>(socket), POLLIN, 0};
    int ready;
    do {
        ready = ::poll(&entry, 1, milliseconds);
    } while (ready < 0 && errno == EINTR);
    return ready > 0;
}
