// Engine benchmarks: keyframe playback, mesh file parsing, geometry recomputation, capacity growth.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "engine/animation.h"
#include "engine/mesh.h"
#include "engine/object.h"
#include "engine/world.h"
#include "tools/common/mesh_writer.h"
#include "tools/common/scene_writer.h"

namespace {

// A sphere-like grid of (rings + 1) x segments vertices and about 2 x rings x segments faces.
MeshSource GridMesh(int rings, int segments) {
    MeshSource mesh;
    mesh.name = "GRID";
    mesh.flags = 2 << 2;
    for (int r = 0; r <= rings; ++r) {
        const float lat = 3.14159f * static_cast<float>(r) / static_cast<float>(rings);
        for (int s = 0; s < segments; ++s) {
            const float lon = 6.28318f * static_cast<float>(s) / static_cast<float>(segments);
            mesh.positions.emplace_back(std::sin(lat) * std::cos(lon), std::cos(lat),
                                        std::sin(lat) * std::sin(lon));
        }
    }
    for (int r = 0; r < rings; ++r) {
        for (int s = 0; s < segments; ++s) {
            const auto at = [&](int rr, int ss) {
                return static_cast<uint16_t>(rr * segments + (ss % segments));
            };
            MeshFaceSource a, b;
            a.vertex[0] = at(r, s);
            a.vertex[1] = at(r + 1, s);
            a.vertex[2] = at(r + 1, s + 1);
            b.vertex[0] = at(r, s);
            b.vertex[1] = at(r + 1, s + 1);
            b.vertex[2] = at(r, s + 1);
            a.flags = b.flags = 2 << 2;
            mesh.faces.push_back(a);
            mesh.faces.push_back(b);
        }
    }
    return mesh;
}

void BM_ParseMesh(benchmark::State& state) {
    const std::vector<uint8_t> bytes = WriteMeshFile(GridMesh(50, 50));  // 5000 faces
    CreateWorld();
    for (auto _ : state) {
        LoadMeshFromMemory(MakeKey("GRID"), bytes.data(), bytes.size());
        // A fresh world each time so the parse is never skipped as already loaded.
        state.PauseTiming();
        ReleaseWorld();
        CreateWorld();
        state.ResumeTiming();
    }
    ReleaseWorld();
    state.SetItemsProcessed(state.iterations() * 5000);
}
BENCHMARK(BM_ParseMesh)->Unit(benchmark::kMicrosecond);

void BM_RecomputeMesh(benchmark::State& state) {
    const std::vector<uint8_t> bytes = WriteMeshFile(GridMesh(50, 50));
    CreateWorld();
    LoadMeshFromMemory(MakeKey("GRID"), bytes.data(), bytes.size());
    MeshRecord* mesh = GetMesh(MakeKey("GRID"));
    for (auto _ : state) {
        RecomputeMesh(*mesh);
        benchmark::DoNotOptimize(mesh->radius);
    }
    ReleaseWorld();
    state.SetItemsProcessed(state.iterations() * 5000);
}
BENCHMARK(BM_RecomputeMesh)->Unit(benchmark::kMicrosecond);

// 50 tracks of 20 spline keys with direction of travel, evaluated at one time per frame.
void BM_PlayScene(benchmark::State& state) {
    const std::vector<uint8_t> cube = WriteMeshFile(MakeCubeMesh(1, 1, 2, 3));
    SceneSource source;
    for (int t = 0; t < 50; ++t) {
        SceneTrackSource track{"CUBE", {}};
        for (int k = 0; k < 20; ++k) {
            SceneKeySource key;
            key.flags = 0x11;
            key.position.Set(static_cast<float>(k * 10 + t), std::sin(static_cast<float>(k)) * 5,
                             static_cast<float>(k * k));
            key.orientation.Set(static_cast<float>(k), 0, static_cast<float>(t));
            key.duration = 0.5f + 0.1f * static_cast<float>(k % 3);
            track.keys.push_back(key);
        }
        source.tracks.push_back(track);
    }
    const std::vector<uint8_t> file = WriteSceneFile(source);
    CreateWorld();
    LoadMeshFromMemory(MakeKey("CUBE"), cube.data(), cube.size());
    CScene scene;
    LoadSceneFromMemory(scene, file.data(), file.size());
    float t = 0.0f;
    for (auto _ : state) {
        PlayScene(scene, t);
        t += 0.016f;
        if (t > 12.0f) t = 0.0f;
    }
    ClearScene(scene);
    ReleaseWorld();
    state.SetItemsProcessed(state.iterations() * 50);
}
BENCHMARK(BM_PlayScene)->Unit(benchmark::kMicrosecond);

// Creating 200 instances of a loaded mesh, buffers growing one instance at a time.
void BM_AddInstances(benchmark::State& state) {
    const std::vector<uint8_t> bytes = WriteMeshFile(GridMesh(10, 25));
    CreateWorld();
    LoadMeshFromMemory(MakeKey("GRID"), bytes.data(), bytes.size());
    for (auto _ : state) {
        ClearInstances();
        for (int i = 0; i < 200; ++i) AddInstance(MakeKey("GRID"));
    }
    ReleaseWorld();
    state.SetItemsProcessed(state.iterations() * 200);
}
BENCHMARK(BM_AddInstances)->Unit(benchmark::kMicrosecond);

}  // namespace
