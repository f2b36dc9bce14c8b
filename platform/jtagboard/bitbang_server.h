#ifndef FELDMOOR_JTAGBOARD_BITBANG_SERVER_H
#define FELDMOOR_JTAGBOARD_BITBANG_SERVER_H

#include "local_socket.h"
#include "xc7_device.h"

#include <cstdint>
#include <map>
#include <string>

struct ServeResult {
    bool quit = false;  // the client said Q (rather than just closing)
    std::uint64_t requests = 0;
    std::map<std::string, std::uint64_t> unmodelled;
};

// Serves OpenOCD 0.12's remote_bitbang requests from one client until it
// quits or closes: one ASCII byte each, '0'..'7' the pins, 'R' a TDO read,
// 'r'..'u' the reset lines, 'B'/'b' the LED, 'Q' quit.
// How TDO is wired: to the device, or pulled high with nothing on the chain.
enum class TdoWiring { Device, StuckHigh };

ServeResult serveBitbang(SocketHandle client, Xc7Device &device, TdoWiring wiring);

// An adapter that stops answering once init begins: takes the client's
// requests up to its first TDO read, waits until the client has sent all it
// will before that answer (nothing more for `quietMs`), and resets the
// connection, so that the reset meets OpenOCD 0.12 waiting in its chain scan
// rather than writing. Returns the requests taken; closes `client`.
std::uint64_t dropAtFirstRead(SocketHandle client, int quietMs);

#endif
