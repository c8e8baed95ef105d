// The registry hive with many values under one key: reading the file anew (as a program's
// start does) and reading one value from the hive already read. Both are linear in the
// hive's size or better; before, a hive of 100,000 values took over a minute to read.

#include "platform/base/Registry.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

// A hive file of count values under one key, named the way a program's key would be.
std::filesystem::path WriteHive(int count) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                         ("borvanta-bench-registry-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::filesystem::path file = folder / "registry.txt";
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << "Borvanta registry 1\n\n[HKEY_LOCAL_MACHINE\\Software\\Tolvi\\Borvanta]\n";
    out << "\"Language\"=sz:\"English\"\n";
    for (int i = 0; i < count; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "\"Value%d\"=dword:%08x\n", i, static_cast<unsigned>(i));
        out << line;
    }
    out.close();
    ::setenv("BORVANTA_REGISTRY", file.c_str(), 1);
    return file;
}

DWORD ReadLanguage() {
    HKEY key = nullptr;
    RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Tolvi\\Borvanta", 0, KEY_READ, &key);
    WCHAR buffer[40] = {};
    DWORD size = sizeof buffer;
    RegQueryValueExW(key, u"Language", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    return size;
}

// Every iteration reads the file anew, as the start of a program does.
void BM_RegistryStartWithValuesUnderOneKey(benchmark::State& state) {
    const std::filesystem::path file = WriteHive(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        // A new modification time makes the hive be read again.
        std::filesystem::last_write_time(file, std::filesystem::file_time_type::clock::now());
        state.ResumeTiming();
        benchmark::DoNotOptimize(ReadLanguage());
    }
    std::filesystem::remove_all(file.parent_path());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_RegistryStartWithValuesUnderOneKey)
    ->Arg(5000)
    ->Arg(20000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);

// The hive read once; each iteration asks for one value.
void BM_RegistryQueryInALargeKey(benchmark::State& state) {
    const std::filesystem::path file = WriteHive(static_cast<int>(state.range(0)));
    ReadLanguage();
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReadLanguage());
    }
    std::filesystem::remove_all(file.parent_path());
}
BENCHMARK(BM_RegistryQueryInALargeKey)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace
