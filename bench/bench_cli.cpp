// orbtool-cli dump of a whole file, as a process, against a Python script that decodes the same
// file with struct and prints JSON (bench/dump_python.py).
#include "tools/SampleData.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;

namespace {
std::string sampleFile()
{
    static std::string path = [] {
        fs::path dir = fs::temp_directory_path() / ("orbtool-bench-cli-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        auto image = MakeSampleImage(12);
        std::ofstream(dir / "ORB12", std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
        return (dir / "ORB12").string();
    }();
    return path;
}

// Runs the program with its output thrown away and waits for it, as a script's loop would.
void run(benchmark::State& state, std::vector<std::string> args)
{
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    for (auto _ : state) {
        pid_t pid = 0;
        if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
            state.SkipWithError("cannot start the program");
            break;
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("the program failed");
            break;
        }
    }
    posix_spawn_file_actions_destroy(&actions);
}

void BM_DumpCli(benchmark::State& state)
{
    run(state, {ORBTOOL_CLI, "dump", sampleFile()});
}

void BM_DumpPython(benchmark::State& state)
{
    run(state, {"python3", DUMP_PYTHON, sampleFile()});
}
}  // namespace

BENCHMARK(BM_DumpCli)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DumpPython)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
