#pragma once
// Fonts through FreeType: faces are found among the font files added for the process first,
// then (for the window system's own dialog face) among DejaVu Sans's files, then through
// fontconfig, and each (face, size, style) is made once. fontconfig is set up on its first
// use only: a program whose fonts all come from its own files never pays for it.

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
    // True once fontconfig has been set up in this process.
    bool FontconfigLoaded();

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
    bool LocateUiFace(const std::string& family, bool bold, bool italic, Located& out);
    void EnsureFontconfigLocked();
    bool LocateSystem(const std::string& family, bool bold, bool italic, BYTE pitchAndFamily,
                      Located& out);
    std::shared_ptr<FontInstance> MakeInstanceLocked(const Located& where, long long height,
                                                     bool bold, bool italic);

    std::mutex mutex_;
    void* library_ = nullptr; // FT_Library
    bool fontconfigReady_ = false;
    std::vector<PrivateFace> private_;
    std::unordered_map<std::string, std::shared_ptr<FontInstance>> instances_;
};

} // namespace gdi
