// A child program for the process and mutex tests.
//   hold-mutex NAME READY-FILE   creates NAME owned, writes READY-FILE, then waits to be killed
//   exit CODE                     ends with CODE
//   write-args FILE ARGS...       writes the current folder and then each argument, one a line
#include "platform/base/Mutex.h"
#include "platform/base/WideChar.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "hold-mutex" && argc == 4) {
        const std::u16string name = FromUtf8(argv[2]);
        HANDLE mutex = CreateMutexW(nullptr, TRUE, name.c_str());
        if (!mutex) {
            return 2;
        }
        std::ofstream(argv[3]) << "ready\n";
        std::this_thread::sleep_for(std::chrono::seconds(60));
        return 0;
    }
    if (mode == "exit" && argc == 3) {
        return std::atoi(argv[2]);
    }
    if (mode == "write-args" && argc >= 3) {
        std::ofstream out(std::string(argv[2]) + ".tmp");
        out << std::filesystem::current_path().string() << "\n";
        for (int i = 3; i < argc; ++i) {
            out << argv[i] << "\n";
        }
        out.close();
        std::filesystem::rename(std::string(argv[2]) + ".tmp", argv[2]);
        return 0;
    }
    return 1;
}
