// Cost of the soundtrack: composing both songs at build time, and mixing them as the show plays.
#include <benchmark/benchmark.h>
#include <libopenmpt/libopenmpt.h>

#include <vector>

#include "tools/music/songs.h"

namespace {

void BM_ComposeAndWrite(benchmark::State& state) {
    const SongFile& song = kSongFiles[state.range(0)];
    for (auto _ : state) benchmark::DoNotOptimize(WriteXm(song.compose()));
    state.SetLabel(song.fileName);
}
BENCHMARK(BM_ComposeAndWrite)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The audio callback's work: one second of 44.1 kHz stereo per iteration, so
// items per second is how many times faster than real time the mixing runs.
void BM_MixOneSecond(benchmark::State& state) {
    const SongFile& song = kSongFiles[state.range(0)];
    const std::vector<uint8_t> bytes = WriteXm(song.compose());
    openmpt_module* mod = openmpt_module_create_from_memory2(
        bytes.data(), bytes.size(), openmpt_log_func_silent, nullptr, openmpt_error_func_ignore,
        nullptr, nullptr, nullptr, nullptr);
    if (mod == nullptr) {
        state.SkipWithError("module did not load");
        return;
    }
    openmpt_module_set_repeat_count(mod, -1);
    std::vector<float> buffer(1024 * 2);
    for (auto _ : state) {
        for (int done = 0; done < 44100; done += 1024)
            openmpt_module_read_interleaved_float_stereo(mod, 44100, 1024, buffer.data());
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(song.fileName);
    openmpt_module_destroy(mod);
}
BENCHMARK(BM_MixOneSecond)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
