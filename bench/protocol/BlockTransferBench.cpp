// Time of a 10-chunk block read against the emulated mouse, as a ratio to the
// time the device itself took. The emulator's model of one frame, direction
// by direction:
//   PC -> device   the request report is on the device's socket when the
//                  write returns: 0 ms;
//   device         the answer is due 1 ms after the request arrived (a
//                  1000 Hz device), timed from the arrival with 1 us timer
//                  slack; the device logs when each request arrived and
//                  when its answer left;
//   device -> PC   the answer report is on the PC's socket when it leaves:
//                  0 ms.
// The ideal is the sum of the logged answer times (the model as the emulator
// ran it: 1 ms plus its own wake-up lateness), so the ratio's excess over 1 is
// the program's own overhead per frame (writing the request, waking on the
// answer, checking it). The nominal ratio against exactly 1 ms a frame is
// printed beside it. Exit status 1 when the ratio reaches its bound.

#include "emulator/Emulator.h"
#include "protocol/DeviceChannel.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
    using namespace zk;
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 20;
    constexpr double kBound = 1.05;

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
    const auto log = mouse->RequestLog();
    std::chrono::duration<double, std::milli> device{0};
    for (const auto& request : log)
        device += request.answered - request.time;
    const double ideal = device.count();
    const double ratio = elapsed.count() / ideal;
    const double frames = static_cast<double>(log.size());
    const double nominal = frames * static_cast<double>(options.responseDelay.count()) / 1000.0;
    std::printf("block read: %d rounds, %zu frames, %.1f ms\n"
                "  model per frame: request 0 ms, answer %.3f ms after arrival, response 0 ms\n"
                "  the device answered in %.1f ms (%.3f ms a frame; nominal %.1f ms)\n"
                "  ratio %.3f (bound %.2f): overhead %.1f us = %.1f %% a frame; "
                "against the nominal model %.3f\n",
                rounds, log.size(), elapsed.count(),
                static_cast<double>(options.responseDelay.count()) / 1000.0, ideal, ideal / frames,
                nominal, ratio, kBound, 1000.0 * (elapsed.count() - ideal) / frames,
                100.0 * (ratio - 1.0), elapsed.count() / nominal);
    return ratio < kBound ? 0 : 1;
}
