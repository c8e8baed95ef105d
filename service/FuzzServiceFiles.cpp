// Feeds arbitrary bytes to the profile and macro file readers; a file they accept must
// encode back to the same bytes.

#include "service/ServiceFiles.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    service::ProfileState profile;
    if (SUCCEEDED(service::DecodeProfile(data, size, profile))) {
        const auto again = service::EncodeProfile(profile);
        if (again.size() != size || !std::equal(again.begin(), again.end(), data)) {
            std::abort();
        }
    }
    service::MacroState macro;
    if (SUCCEEDED(service::DecodeMacro(data, size, macro))) {
        const auto again = service::EncodeMacro(macro);
        if (again.size() != size || !std::equal(again.begin(), again.end(), data)) {
            std::abort();
        }
    }
    return 0;
}
