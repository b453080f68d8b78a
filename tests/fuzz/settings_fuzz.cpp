// libFuzzer target: arbitrary bytes as config.xml. The scanner must not crash, hang or leak, and
// whatever settings it finds must survive a write and a second read unchanged.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "settings/KarvoConfig.h"
#include "settings/XmlTree.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) return 0;  // a settings file is a few KB; larger inputs only slow the search
    XML_Tree tree;
    XML_File::ReadXMLBuffer(tree, data, size);
    CKarvoConfig config;
    config.LoadFromTree(tree);

    XML_Tree written;
    config.BuildTree(written);
    const std::string image = XML_File::MakeFileImage(written);
    XML_Tree reread;
    XML_File::ReadXMLBuffer(reread, reinterpret_cast<const uint8_t*>(image.data()), image.size());
    CKarvoConfig again;
    again.LoadFromTree(reread);
    XML_Tree second;
    again.BuildTree(second);
    // Values with leading or trailing blanks lose them on reading; past that the round trip is exact.
    const std::string image2 = XML_File::MakeFileImage(second);
    XML_Tree third;
    XML_File::ReadXMLBuffer(third, reinterpret_cast<const uint8_t*>(image2.data()), image2.size());
    CKarvoConfig last;
    last.LoadFromTree(third);
    XML_Tree fourth;
    last.BuildTree(fourth);
    if (XML_File::MakeFileImage(fourth) != image2) std::abort();
    return 0;
}
