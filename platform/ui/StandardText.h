#pragma once
// The texts of the platform's standard dialogs: the message box's buttons and its default
// caption, the colour chooser and the file chooser. Each text has a key and its English
// wording. The platform knows nothing of a program's languages: a program that speaks others
// installs a text provider (SetStandardTextProvider), which is asked for each text by its key
// whenever a dialog is made; without a provider, or where it has no text for a key, the English
// wording is used. A text (provided or English) writes a line break as the two characters
// backslash and n, and the name a message is about as "%1".

#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace platform {

enum class StandardText {
    Ok,
    Cancel,
    Yes,
    No,
    Abort,
    Retry,
    Ignore,
    ErrorCaption,
    ColorTitle,
    ColorCurrent,
    ColorNew,
    ColorHex,
    ColorRed,
    ColorGreen,
    ColorBlue,
    ColorHue,
    ColorSaturation,
    ColorValue,
    FileSaveTitle,
    FileOpenTitle,
    FileNameLabel,
    FileSave,
    FileOpen,
    FileNoName,
    FileFolderMissing,
    FileMissing,
    FileFolderNotWritable,
    FileReplace,
};

struct StandardTextEntry {
    StandardText id;
    const char16_t* key;     // what the provider is asked for
    const char16_t* english; // the text without a provider
};

// Every standard text, in the order of StandardText.
std::span<const StandardTextEntry> StandardTexts();

// Answers a key with its text in the program's language; false where it has none.
using StandardTextProvider = std::function<bool(std::u16string_view key, std::u16string& text)>;

// Installs the provider (nullptr removes it: English again). May be called from any thread.
void SetStandardTextProvider(StandardTextProvider provider);

// The text in the program's language, its line breaks made and "%1" replaced by argument.
std::u16string GetStandardText(StandardText id, std::u16string_view argument = {});

} // namespace platform
