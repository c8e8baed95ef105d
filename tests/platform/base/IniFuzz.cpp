// Fuzz target for the INI reader: any bytes must parse without fault, every value must be
// readable, and writing the document out and reading it again must give the same answers;
// values set through the writer must come back exactly.

#include "platform/base/IniDocument.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void CheckSame(const IniDocument& a, const IniDocument& b) {
    const auto sections = a.GetSectionNames();
    Check(sections == b.GetSectionNames());
    for (const auto& section : sections) {
        const auto keys = a.GetKeyNames(section);
        Check(keys == b.GetKeyNames(section));
        Check(a.GetSectionLines(section) == b.GetSectionLines(section));
        for (const auto& key : keys) {
            Check(a.GetValue(section, key) == b.GetValue(section, key));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    IniDocument doc = IniDocument::Parse(bytes);
    const IniDocument again = IniDocument::Parse(doc.Serialize());
    CheckSame(doc, again);
    Check(again.Serialize() == doc.Serialize());

    // Overwrite every key with a value made from the input's own text, then add one key of
    // that text to every section; whatever was accepted must read back exactly.
    const auto sections = doc.GetSectionNames();
    for (const auto& section : sections) {
        for (const auto& key : doc.GetKeyNames(section)) {
            const std::u16string value = u" \"" + key + u"\" ";
            if (doc.SetValue(section, key, value)) {
                Check(doc.GetValue(section, key) == value);
            }
        }
        if (doc.SetValue(section, section, section)) {
            Check(doc.GetValue(section, section) == section);
        }
    }
    const IniDocument written = IniDocument::Parse(doc.Serialize());
    CheckSame(doc, written);
    if (!sections.empty()) {
        doc.DeleteSection(sections.front());
        Check(!doc.HasSection(sections.front()));
    }
    return 0;
}
