// Feeds arbitrary file contents to the XML reader and walks the whole tree it builds.
#include "gui/xml/PugXmlArray.h"
#include "gui/xml/PugXmlParser.h"
#include "platform/base/WideChar.h"

#include <cstddef>
#include <cstdint>
#include <vector>

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
        // Element names hold only name characters, so each one matches itself as a pattern
        // and is found again by name.
        if (const WCHAR* name = branch.GetName()) {
            if (!pug::PugXmlMatchName(name, name) ||
                branch.GetParent().FindByName(name).IsEmpty()) {
                __builtin_trap();
            }
        }
    }
    (void)root.FindByName(u"GUIPANEL").FindByName(u"[A-Z]?*");
    // Every node of every type, its name and value read to their terminators.
    std::vector<pug::CPugXmlBranch> pending{root};
    size_t units = 0;
    while (!pending.empty()) {
        const pug::CPugXmlBranch node = pending.back();
        pending.pop_back();
        if (node.GetName() != nullptr) {
            units += wcslen(node.GetName());
        }
        if (node.GetValue() != nullptr) {
            units += wcslen(node.GetValue());
        }
        for (int c = 0; c < node.GetChildCount(); ++c) {
            pending.push_back(node.GetChild(c));
        }
    }
    if (units > parser.GetBuffer().size()) {
        __builtin_trap(); // names and values are cut out of the one buffer
    }
    return 0;
}
