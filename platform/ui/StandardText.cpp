#include "platform/ui/StandardText.h"

#include <array>
#include <mutex>
#include <utility>

namespace platform {

namespace {

constexpr std::array kTexts{
    StandardTextEntry{StandardText::Ok, u"DialogOK", u"OK"},
    StandardTextEntry{StandardText::Cancel, u"DialogCancel", u"Cancel"},
    StandardTextEntry{StandardText::Yes, u"DialogYes", u"&Yes"},
    StandardTextEntry{StandardText::No, u"DialogNo", u"&No"},
    StandardTextEntry{StandardText::Abort, u"DialogAbort", u"&Abort"},
    StandardTextEntry{StandardText::Retry, u"DialogRetry", u"&Retry"},
    StandardTextEntry{StandardText::Ignore, u"DialogIgnore", u"&Ignore"},
    StandardTextEntry{StandardText::ErrorCaption, u"DialogError", u"Error"},
    StandardTextEntry{StandardText::ColorTitle, u"ColourTitle", u"Colour"},
    StandardTextEntry{StandardText::ColorCurrent, u"ColourCurrent", u"Current"},
    StandardTextEntry{StandardText::ColorNew, u"ColourNew", u"New"},
    StandardTextEntry{StandardText::ColorHex, u"ColourHex", u"#RRGGBB:"},
    StandardTextEntry{StandardText::ColorRed, u"ColourRed", u"Red:"},
    StandardTextEntry{StandardText::ColorGreen, u"ColourGreen", u"Green:"},
    StandardTextEntry{StandardText::ColorBlue, u"ColourBlue", u"Blue:"},
    StandardTextEntry{StandardText::ColorHue, u"ColourHue", u"Hue:"},
    StandardTextEntry{StandardText::ColorSaturation, u"ColourSaturation", u"Saturation:"},
    StandardTextEntry{StandardText::ColorValue, u"ColourValue", u"Value:"},
    StandardTextEntry{StandardText::FileSaveTitle, u"FileSaveTitle", u"Save As"},
    StandardTextEntry{StandardText::FileOpenTitle, u"FileOpenTitle", u"Open"},
    StandardTextEntry{StandardText::FileNameLabel, u"FileNameLabel", u"File name:"},
    StandardTextEntry{StandardText::FileSave, u"FileSave", u"Save"},
    StandardTextEntry{StandardText::FileOpen, u"FileOpen", u"Open"},
    StandardTextEntry{StandardText::FileNoName, u"FileNoName", u"Please type a file name."},
    StandardTextEntry{StandardText::FileFolderMissing, u"FileFolderMissing",
                      u"The folder \"%1\" does not exist."},
    StandardTextEntry{StandardText::FileMissing, u"FileMissing",
                      u"The file \"%1\" does not exist."},
    StandardTextEntry{StandardText::FileFolderNotWritable, u"FileFolderNotWritable",
                      u"The folder \"%1\" cannot be written to.\\nPlease choose another folder."},
    StandardTextEntry{StandardText::FileReplace, u"FileReplace",
                      u"\"%1\" already exists.\\nDo you want to replace it?"},
};

static_assert(
    [] {
        for (size_t i = 0; i < kTexts.size(); ++i) {
            if (static_cast<size_t>(kTexts[i].id) != i) {
                return false;
            }
        }
        return true;
    }(),
    "the texts are listed in the order of StandardText");

std::mutex g_mutex;
StandardTextProvider& Provider() {
    static StandardTextProvider provider;
    return provider;
}

} // namespace

std::span<const StandardTextEntry> StandardTexts() {
    return kTexts;
}

void SetStandardTextProvider(StandardTextProvider provider) {
    std::lock_guard lock(g_mutex);
    Provider() = std::move(provider);
}

std::u16string GetStandardText(StandardText id, std::u16string_view argument) {
    const StandardTextEntry& entry = kTexts[static_cast<size_t>(id)];
    StandardTextProvider provider;
    {
        std::lock_guard lock(g_mutex);
        provider = Provider();
    }
    std::u16string text;
    if (!provider || !provider(entry.key, text) || text.empty()) {
        text = entry.english;
    }
    // Line breaks, then the argument (which is shown as it stands).
    for (size_t at = text.find(u"\\n"); at != std::u16string::npos; at = text.find(u"\\n", at)) {
        text.replace(at, 2, u"\n");
        at += 1;
    }
    const size_t at = text.find(u"%1");
    if (at != std::u16string::npos) {
        text.replace(at, 2, argument);
    }
    return text;
}

} // namespace platform
