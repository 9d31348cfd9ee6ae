// Arbitrary bytes as form text: the search must stay inside them and never fail.
#include <cstddef>
#include <cstdint>

#include "scanner/HelpContextScan.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A copy of exactly `size` bytes, so that any read beyond them is caught.
    char* text = new char[size];
    for (std::size_t i = 0; i < size; ++i)
        text[i] = static_cast<char>(data[i]);
    TMemoryTree tree;
    ScanFormText(text, static_cast<std::int32_t>(size), tree);
    delete[] text;
    return 0;
}
