#include "local_socket.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace {

std::string lastError()
{
    return "Winsock error " + std::to_string(WSAGetLastError());
}

// Winsock must be started once per process before any socket call.
bool startWinsock(std::string &error)
{
    static const int started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data);
    }();
    if (started != 0)
        error = "WSAStartup failed: " + std::to_string(started);
    return started == 0;
}

}  // namespace

SocketHandle bindLocal(unsigned port, unsigned &bound, std::string &error)
{
    if (!startWinsock(error))
        return kNoSocket;
    const SOCKET fd = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (fd == INVALID_SOCKET) {
        error = lastError();
        return kNoSocket;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &size) != 0) {
        error = lastError();
        ::closesocket(fd);
        return kNoSocket;
    }
    bound = ntohs(address.sin_port);
    return static_cast<SocketHandle>(fd);
}

SocketHandle listenLocal(unsigned port, unsigned &bound, std::string &error)
{
    const SocketHandle fd = bindLocal(port, bound, error);
    if (fd != kNoSocket && ::listen(static_cast<SOCKET>(fd), 1) != 0) {
        error = lastError();
        ::closesocket(static_cast<SOCKET>(fd));
        return kNoSocket;
    }
    return fd;
}

SocketHandle acceptClient(SocketHandle listener, std::string &error)
{
    const SOCKET fd = ::accept(static_cast<SOCKET>(listener), nullptr, nullptr);
    if (fd == INVALID_SOCKET) {
        error = lastError();
        return kNoSocket;
    }
    const BOOL yes = TRUE;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char *>(&yes), sizeof yes);
    return static_cast<SocketHandle>(fd);
}

long long receiveSome(SocketHandle socket, char *data, std::size_t length)
{
    const int chunk = length > 0x10000000u ? 0x10000000 : static_cast<int>(length);
    return ::recv(static_cast<SOCKET>(socket), data, chunk, 0);
}

bool sendAll(SocketHandle socket, const char *data, std::size_t length)
{
    while (length > 0) {
        const int chunk = length > 0x10000000u ? 0x10000000 : static_cast<int>(length);
        const int count = ::send(static_cast<SOCKET>(socket), data, chunk, 0);
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
        ::closesocket(static_cast<SOCKET>(socket));
}

void shutdownSocket(SocketHandle socket)
{
    if (socket != kNoSocket)
        ::shutdown(static_cast<SOCKET>(socket), SD_BOTH);
}

void resetSocket(SocketHandle socket)
{
    if (socket == kNoSocket)
        return;
    const linger abort{1, 0};
    ::setsockopt(static_cast<SOCKET>(socket), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char *>(&abort),
                 sizeof abort);
    ::closesocket(static_cast<SOCKET>(socket));
}

bool readableWithin(SocketHandle socket, int milliseconds)
{
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(static_cast<SOCKET>(socket), &readable);
    timeval wait{milliseconds / 1000, (milliseconds % 1000) * 1000};
    return ::select(0, &readable, nullptr, nullptr, &wait) > 0;
}
