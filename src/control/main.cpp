#include "control/Tool.h"

#include <cstdio>

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const zk::control::Outcome outcome = zk::control::RunTool(args, zk::control::DefaultPlaces());
    std::fwrite(outcome.out.data(), 1, outcome.out.size(), stdout);
    std::fwrite(outcome.err.data(), 1, outcome.err.size(), stderr);
    return outcome.exitCode;
}
