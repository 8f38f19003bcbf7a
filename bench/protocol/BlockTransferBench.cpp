// Time of a 10-chunk block read against the emulated mouse answering each
// report after 1 ms, as a ratio to the ideal of 2 ms per frame (one report
// each way at 1000 Hz). Exit status 1 when the ratio reaches its bound.

#include "emulator/Emulator.h"
#include "protocol/DeviceChannel.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
    using namespace zk;
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 20;
    constexpr double kBound = 1.2;

    emulator::EmulatorOptions options;
    options.keyboard = false;
    options.mousepad = false;
    options.responseDelay = std::chrono::microseconds(1000);
    const auto installation = emulator::InstallEmulatedBus(options);
    emulator::EmulatedDevice* mouse = installation->Bus().Mouse();

    protocol::DeviceChannel channel;
    channel.SetIdentity(mouse->VendorId(), mouse->ProductId(), emulator::kConfigUsage,
                        emulator::kConfigUsagePage);
    channel.hid.openForRead = 1;
    channel.hid.openForWrite = 1;
    channel.hid.devicePath = mouse->ConfigPath();
    if (channel.hid.Open() != 1) {
        std::fprintf(stderr, "cannot open the emulated mouse\n");
        return 2;
    }
    channel.connected = 1;

    std::vector<uint8_t> block(512);
    // One untimed round: first-use costs are not part of the transfer.
    if (channel.CmdReadDefaultBlock(block) != protocol::kResultOk) {
        std::fprintf(stderr, "block read failed\n");
        return 2;
    }
    mouse->ClearRequestLog();
    const auto t0 = std::chrono::steady_clock::now();
    for (int r = 0; r < rounds; ++r) {
        if (channel.CmdReadDefaultBlock(block) != protocol::kResultOk) {
            std::fprintf(stderr, "block read failed\n");
            return 2;
        }
    }
    const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - t0;
    const size_t frames = mouse->RequestCount();
    const double ideal = static_cast<double>(frames) * 2.0;
    const double ratio = elapsed.count() / ideal;
    std::printf(
        "block read: %d rounds, %zu frames, %.1f ms, ideal %.1f ms, ratio %.3f (bound %.1f)\n",
        rounds, frames, elapsed.count(), ideal, ratio, kBound);
    return ratio < kBound ? 0 : 1;
}
