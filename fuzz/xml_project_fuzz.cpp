// An arbitrary XML project file: the reading of its RESDEPEN value, and the test for a text-saved
// form on the same bytes. Errors are fine; crashes, hangs, leaks and a list that still holds a
// line break or a tab are not.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "runtime/Exceptions.h"
#include "scanner/ProjectFile.h"
#include "scanner/TextForm.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    IsXmlProject(bytes);
    const std::size_t start = TextFormStart(bytes);
    if (start != std::string_view::npos && start >= size)
        std::abort();
    try {
        const std::string names = XmlProjectNameList(bytes, "p.bpr");
        if (names.find_first_of("\r\n\t") != std::string::npos)
            std::abort();
    } catch (const Exception&) {
    }
    return 0;
}
