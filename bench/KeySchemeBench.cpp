// Key generation and the intersection, the inner loops of indexing and querying.
#include <benchmark/benchmark.h>

#include <random>

#include "common/KeyScheme.h"
#include "search/engine/Intersect.h"

namespace {

std::vector<std::string> sampleNames() {
    const char* words[] = {"report",   "IMG_2023", "budget", "报告",
                           "draft_v2", "final",    "数据",   "notes"};
    std::mt19937 random(1);
    std::vector<std::string> names;
    for (int i = 0; i < 4096; ++i) {
        std::string name;
        for (int w = 0; w < 3; ++w)
            name += std::string(words[random() % 8]) + (w < 2 ? " " : ".txt");
        names.push_back(name);
    }
    return names;
}

void NameKeys(benchmark::State& state) {
    auto names = sampleNames();
    std::string lowered;
    size_t i = 0;
    std::uint64_t keys = 0;
    for (auto _ : state) {
        lowered = zeph::lowerBytes(names[i++ % names.size()]);
        zeph::forEachNameKey(lowered, [&](zeph::KeyTable, std::uint32_t key) { keys += key; });
    }
    benchmark::DoNotOptimize(keys);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(NameKeys);

void QueryKeys(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(zeph::queryKeys("Report_2023 final.TXT"));
}
BENCHMARK(QueryKeys);

void IntersectRareWithCommon(benchmark::State& state) {
    std::vector<std::uint32_t> common, rare;
    for (std::uint32_t i = 0; i < 1'000'000; ++i) common.push_back(i * 3);
    for (std::uint32_t i = 0; i < 100; ++i) rare.push_back(i * 29'997);
    for (auto _ : state) benchmark::DoNotOptimize(zeph::intersectPostings({common, rare}));
}
BENCHMARK(IntersectRareWithCommon);

}  // namespace
