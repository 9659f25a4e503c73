// LZHUF throughput: encode and decode of a few MB of mixed data (text, pictures, noise).
#include "res/lzhuf.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

// 4 MiB: a quarter scene-like text, a quarter 8-bit picture gradients with some dither,
// a quarter mesh-like records of small integers, a quarter noise.
const std::vector<uint8_t>& MixedData() {
    static const std::vector<uint8_t> data = [] {
        const size_t quarter = 1 << 20;
        std::vector<uint8_t> out;
        out.reserve(4 * quarter);
        uint32_t seed = 2463534242u;
        auto next = [&seed] {
            seed ^= seed << 13;
            seed ^= seed >> 17;
            seed ^= seed << 5;
            return seed;
        };
        for (int i = 0; out.size() < quarter; i++) {
            std::string line = "OBJECT SHIP" + std::to_string(i % 37) + " POS " +
                               std::to_string(next() % 1000) + " " + std::to_string(i * 3 % 512) +
                               " ANGLE " + std::to_string(i % 360) + "\n";
            out.insert(out.end(), line.begin(), line.end());
        }
        out.resize(quarter);
        for (size_t i = 0; i < quarter; i++) {
            size_t x = i % 512, y = i / 512;
            out.push_back(static_cast<uint8_t>((x + y) / 4 + (next() & 3)));
        }
        for (size_t i = 0; i < quarter; i += 4) {
            uint32_t v = next();
            out.push_back(static_cast<uint8_t>(v & 0x3F));
            out.push_back(static_cast<uint8_t>(i >> 6));
            out.push_back(0);
            out.push_back(static_cast<uint8_t>(v >> 30));
        }
        for (size_t i = 0; i < quarter; i++) out.push_back(static_cast<uint8_t>(next() >> 7));
        return out;
    }();
    return data;
}

void BM_LzhufEncode(benchmark::State& state) {
    const std::vector<uint8_t>& data = MixedData();
    size_t packed = 0;
    for (auto _ : state) {
        std::vector<uint8_t> stream = LzhufEncode(data.data(), data.size());
        packed = stream.size();
        benchmark::DoNotOptimize(stream.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.size()));
    state.counters["ratio"] = static_cast<double>(packed) / static_cast<double>(data.size());
}
BENCHMARK(BM_LzhufEncode)->Unit(benchmark::kMillisecond);

void BM_LzhufDecode(benchmark::State& state) {
    const std::vector<uint8_t>& data = MixedData();
    std::vector<uint8_t> stream = LzhufEncode(data.data(), data.size());
    std::vector<uint8_t> out(data.size());
    for (auto _ : state) {
        LzhufDecode(stream.data(), stream.size(), out.data(), out.size());
        benchmark::DoNotOptimize(out.data());
    }
    if (out != data) state.SkipWithError("decoded data differs");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.size()));
}
BENCHMARK(BM_LzhufDecode)->Unit(benchmark::kMillisecond);

}  // namespace
