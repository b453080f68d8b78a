// libFuzzer target: arbitrary bytes as config.xml. The scanner must not crash, hang or leak, and
// whatever settings it finds must survive a write and a second read unchanged.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "settings/KarvoConfig.h"
#include "settings/XmlTree.h"

namespace {

// Bytes read as config.xml, loaded into a store, and written out again as a file image.
std::string Rewrite(const uint8_t* data, size_t size) {
    XML_Tree read;
    XML_File::ReadXMLBuffer(read, data, size);
    CKarvoConfig config;
    config.LoadFromTree(read);
    XML_Tree written;
    config.BuildTree(written);
    return XML_File::MakeFileImage(written);
}

std::string Rewrite(const std::string& image) {
    return Rewrite(reinterpret_cast<const uint8_t*>(image.data()), image.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) return 0;  // a settings file is a few KB; larger inputs only slow the search
    // Values with leading or trailing blanks lose them on the first reading; past that the round
    // trip is exact.
    const std::string second = Rewrite(Rewrite(data, size));
    if (Rewrite(second) != second) std::abort();
    return 0;
}
