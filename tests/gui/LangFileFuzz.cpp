// Feeds arbitrary bytes to the language text parser and looks up what it stored.
#include "gui/LangTable.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CLangTable table;
    CLangTable::Parse(size, data, &table);
    CString out;
    for (int i = 0; i < table.GetPairCount() && i < 64; ++i) {
        const CString key = u"$" + table.GetKey(i);
        CLangTable::Lookup(&table, out, key.GetString());
        const CString prefix = u"#" + table.GetKey(i).Left(3);
        CLangTable::Lookup(&table, out, prefix.GetString());
    }
    return 0;
}
