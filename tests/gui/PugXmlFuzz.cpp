// Feeds arbitrary file contents to the XML reader and walks the whole tree it builds.
#include "gui/xml/PugXmlArray.h"
#include "gui/xml/PugXmlParser.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pug::CPugXmlParser parser;
    parser.ParseBytes(data, size);
    pug::CPugXmlBranch root = parser.GetRoot();
    pug::CPugXmlBranchArray all;
    root.FindAllByName(u"*", all);
    WCHAR text[pug::CPugXmlBranch::kMaxText + 1] = {};
    for (int i = 0; i < all.GetCount() + 1; ++i) {
        pug::CPugXmlBranch branch = all.GetBranch(i);
        branch.GetText(text);
        for (int a = 0; a < branch.GetAttributeCount(); ++a) {
            (void)branch.GetAttribute(a).GetValue();
        }
        branch.Attribute(u"name");
    }
    (void)root.FindByName(u"GUIPANEL").FindByName(u"[A-Z]?*");
    return 0;
}
