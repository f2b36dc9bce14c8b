#include "bitbang_server.h"

#include "byte_queue.h"

#include <thread>

namespace {

void drain(SocketHandle client, ByteQueue &queue)
{
    std::string buffer(1 << 16, '\0');
    for (;;) {
        const long long count = receiveSome(client, &buffer[0], buffer.size());
        if (count <= 0)
            break;
        queue.push(buffer.substr(0, static_cast<std::size_t>(count)));
    }
    queue.close();
}

std::string byteName(char c)
{
    static const char digits[] = "0123456789abcdef";
    const unsigned value = static_cast<unsigned char>(c);
    return std::string("request byte 0x") + digits[value >> 4] + digits[value & 0xf];
}

}  // namespace

ServeResult serveBitbang(SocketHandle client, Xc7Device &device, TdoWiring wiring)
{
    ServeResult result;
    ByteQueue queue;
    std::thread reader(drain, client, std::ref(queue));
    std::string answers;
    std::string chunk;
    bool open = true;
    while (open && !result.quit) {
        if (!queue.tryTake(chunk)) {
            // Answers go out once everything sent so far is modelled: the
            // client waits for them before it sends more.
            if (!answers.empty() && !sendAll(client, answers.data(), answers.size()))
                open = false;
            answers.clear();
            if (!open || !queue.take(chunk))
                break;
        }
        for (const char c : chunk) {
            ++result.requests;
            if (c >= '0' && c <= '7') {
                const int value = c - '0';
                // With TDO stuck nothing on the chain hears the pins either.
                if (wiring == TdoWiring::Device)
                    device.setPins((value & 4) != 0, (value & 2) != 0, (value & 1) != 0);
            } else if (c == 'R') {
                const bool tdo = wiring == TdoWiring::Device ? device.tdo() : wiring == TdoWiring::StuckHigh;
                answers.push_back(tdo ? '1' : '0');
            } else if (c >= 'r' && c <= 'u') {
                if (((c - 'r') & 2) != 0)
                    device.resetTap();
                if (((c - 'r') & 1) != 0)
                    ++result.unmodelled["SRST asserted"];
            } else if (c == 'B' || c == 'b') {
                // The LED.
            } else if (c == 'Q') {
                result.quit = true;
                break;
            } else {
                ++result.unmodelled[byteName(c)];
            }
        }
    }
    if (!answers.empty())
        sendAll(client, answers.data(), answers.size());
    // The client closes its end after Q; the reader then sees the end.
    shutdownSocket(client);
    reader.join();
    closeSocket(client);
    return result;
}

std::uint64_t dropAtFirstRead(SocketHandle client, int quietMs)
{
    std::uint64_t requests = 0;
    bool asked = false;
    char buffer[4096];
    for (;;) {
        if (asked && !readableWithin(client, quietMs))
            break;
        const long long count = receiveSome(client, buffer, sizeof buffer);
        if (count <= 0)
            break;
        requests += static_cast<std::uint64_t>(count);
        for (long long i = 0; i < count && !asked; ++i)
            asked = buffer[i] == 'R';
    }
    resetSocket(client);
    return requests;
}
