// Runs a fuzz target without libFuzzer: every file of the seed folders given
// on the command line, then random inputs and mutations of the seeds. The
// number of generated inputs comes from ZK_FUZZ_RUNS (default 3000); the seed
// of the generator from ZK_FUZZ_SEED, so that a failure can be replayed.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    std::vector<std::vector<uint8_t>> seeds;
    for (int i = 1; i < argc; ++i) {
        std::error_code ec;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(argv[i], ec)) {
            if (!entry.is_regular_file())
                continue;
            std::ifstream in(entry.path(), std::ios::binary);
            seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
    }
    for (const auto& s : seeds)
        LLVMFuzzerTestOneInput(s.data(), s.size());

    const char* runsEnv = std::getenv("ZK_FUZZ_RUNS");
    const char* seedEnv = std::getenv("ZK_FUZZ_SEED");
    const long runs = runsEnv ? std::strtol(runsEnv, nullptr, 10) : 3000;
    const unsigned seed = seedEnv ? static_cast<unsigned>(std::strtoul(seedEnv, nullptr, 10)) : 12345u;
    std::mt19937 rng(seed);
    std::vector<uint8_t> buf;
    for (long r = 0; r < runs; ++r) {
        if (!seeds.empty() && (r % 2 == 0)) {
            buf = seeds[rng() % seeds.size()];
            const int edits = 1 + static_cast<int>(rng() % 8);
            for (int e = 0; e < edits; ++e) {
                const unsigned op = rng() % 4;
                if (op == 0 && !buf.empty())
                    buf[rng() % buf.size()] = static_cast<uint8_t>(rng());
                else if (op == 1)
                    buf.insert(buf.begin() + (buf.empty() ? 0 : rng() % buf.size()),
                               static_cast<uint8_t>(rng()));
                else if (op == 2 && !buf.empty())
                    buf.erase(buf.begin() + rng() % buf.size());
                else if (!buf.empty())
                    buf.resize(rng() % buf.size());
            }
        } else {
            buf.resize(rng() % 512);
            for (auto& b : buf)
                b = static_cast<uint8_t>(rng());
        }
        LLVMFuzzerTestOneInput(buf.data(), buf.size());
    }
    std::printf("fuzz driver: %zu seeds, %ld generated inputs, seed %u\n", seeds.size(), runs, seed);
    return 0;
}
