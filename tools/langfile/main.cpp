// langfile <source.txt> <target.txt>: writes the UTF-8 language text file as the UTF-16LE,
// CR LF file that the programs read. The target is written beside itself first and renamed
// into place, so a failed run never leaves a half-written file behind.
#include "tools/langfile/LangFileText.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <source.txt> <target.txt>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path source = argv[1];
    const std::filesystem::path target = argv[2];
    std::ifstream in(source, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "%s: cannot read\n", source.string().c_str());
        return 1;
    }
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const langfile::ConvertResult result = langfile::ConvertUtf8ToLangFile(text);
    if (!result.ok) {
        std::fprintf(stderr, "%s: %s\n", source.string().c_str(), result.error.c_str());
        return 1;
    }
    std::error_code ec;
    std::filesystem::create_directories(target.parent_path(), ec);
    std::filesystem::path temporary = target;
    temporary += ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(result.bytes.data(), static_cast<std::streamsize>(result.bytes.size()));
        if (!out.flush()) {
            std::fprintf(stderr, "%s: cannot write\n", temporary.string().c_str());
            return 1;
        }
    }
    std::filesystem::rename(temporary, target, ec);
    if (ec) {
        std::fprintf(stderr, "%s: %s\n", target.string().c_str(), ec.message().c_str());
        std::filesystem::remove(temporary, ec);
        return 1;
    }
    return 0;
}
