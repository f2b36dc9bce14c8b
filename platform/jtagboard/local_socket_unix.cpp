#include "local_socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

SocketHandle listenLocal(unsigned port, unsigned &bound, std::string &error)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) {
        error = std::strerror(errno);
        return kNoSocket;
    }
    const int yes = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 || ::listen(fd, 1) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &size) != 0) {
        error = std::strerror(errno);
        ::close(fd);
        return kNoSocket;
    }
    bound = ntohs(address.sin_port);
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
