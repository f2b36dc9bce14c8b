#ifndef FELDMOOR_JTAGBOARD_LOCAL_SOCKET_H
#define FELDMOOR_JTAGBOARD_LOCAL_SOCKET_H

#include <cstddef>
#include <cstdint>
#include <string>

// TCP on 127.0.0.1, the little the board needs of it: listen, take one
// client, move bytes. A handle is a file descriptor or a SOCKET.
using SocketHandle = std::intptr_t;
constexpr SocketHandle kNoSocket = -1;

// Holds 127.0.0.1:port (0: any free port) without listening: a client's
// connect is refused there, and no other program can take the port while it
// is held. `bound` receives the port.
SocketHandle bindLocal(unsigned port, unsigned &bound, std::string &error);
// Listens on 127.0.0.1:port (0: any free port); `bound` receives the port.
SocketHandle listenLocal(unsigned port, unsigned &bound, std::string &error);
// Waits for one client; its small writes are sent at once (no Nagle delay).
SocketHandle acceptClient(SocketHandle listener, std::string &error);
// The count received, 0 when the client closed, -1 on failure.
long long receiveSome(SocketHandle socket, char *data, std::size_t length);
bool sendAll(SocketHandle socket, const char *data, std::size_t length);
// Ends both directions, waking a thread blocked in receiveSome.
void shutdownSocket(SocketHandle socket);
void closeSocket(SocketHandle socket);
// Closes with a reset rather than an orderly end: the client's next read or
// write fails with "connection reset".
void resetSocket(SocketHandle socket);
// Whether something (bytes or the end) arrives within `milliseconds`.
bool readableWithin(SocketHandle socket, int milliseconds);

#endif
