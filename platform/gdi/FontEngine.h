#pragma once
// Fonts through FreeType: faces are found among the font files added for the process first,
// then through fontconfig, and each (face, size, style) is made once.

#include "platform/base/WinTypes.h"
#include "platform/gdi/FontInstance.h"
#include "platform/gdi/Gdi.h"

#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace gdi {

class FontEngine {
public:
    static FontEngine& Instance();
    std::mutex& Mutex() { return mutex_; }

    // Adds / removes a font file's faces for this process; the count of faces added.
    int AddFile(const std::filesystem::path& file);
    bool RemoveFile(const std::filesystem::path& file);

    // The instance for a font description; null when no font at all can be found.
    std::shared_ptr<FontInstance> Resolve(const LOGFONTW& font);
    // A face of the same size and style that has a character `like` lacks, or null. The
    // caller holds Mutex().
    FontInstance* FallbackLocked(FontInstance& like, char32_t code);

private:
    FontEngine();
    struct PrivateFace {
        std::filesystem::path file;
        long index;
        std::string family;   // folded to lower case
        std::string fullName; // family and style ("dejavu sans bold"), folded
        bool bold;
        bool italic;
        int references;
    };
    struct Located {
        std::string file;
        long index = 0;
        bool bold = false;
        bool italic = false;
    };
    bool LocatePrivate(const std::string& family, bool bold, bool italic, Located& out);
    bool LocateSystem(const std::string& family, bool bold, bool italic, BYTE pitchAndFamily,
                      Located& out);
    std::shared_ptr<FontInstance> MakeInstanceLocked(const Located& where, long long height,
                                                     bool bold, bool italic);

    std::mutex mutex_;
    void* library_ = nullptr; // FT_Library
    std::vector<PrivateFace> private_;
    std::unordered_map<std::string, std::shared_ptr<FontInstance>> instances_;
};

} // namespace gdi
