// Feeds arbitrary bytes to the project-file reader. Whatever it accepts must survive the store's
// reads (with any counts) and come back unchanged through the writer and the reader again.
#include "base/QuarrowError.h"
#include "project/XMLSaveLoad.h"
#include "project/XmlReader.h"
#include "project/XmlWriter.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    TXmlDocument doc;
    try {
        doc = TXmlReader::Parse(bytes);
    } catch (const TQuarrowError&) {
        return 0;
    }
    const std::string written = TXmlWriter::ToString(doc);
    try {
        if (TXmlWriter::ToString(TXmlReader::Parse(written)) != written)
            std::abort(); // the writer's output does not read back as the same document
    } catch (const TQuarrowError&) {
        std::abort(); // the reader refuses what the writer wrote
    }

    TXMLSaveLoad store;
    store.SetDocument(std::move(doc));
    (void)store.ReadHeader();
    (void)store.ReadOption("USEPREFIX");
    for (const char* list : {"Prefix", "Word", "Suffix", "Domain"})
        (void)store.ReadWordList(list);
    (void)store.ReadListView("Results");
    (void)store.ReadStringList("RESULTLIST");
    return 0;
}
