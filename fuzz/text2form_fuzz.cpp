// Reads arbitrary bytes as a form text. An Exception is a clean rejection; a crash, a hang, a
// sanitizer report or an out-of-memory is a fault. A text that is read must also come back: the
// binary converts to text, and that text reads to a binary with the very same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "formstream/FormText.h"
#include "formstream/FormTextReader.h"
#include "formstream/Reader.h"
#include "io/Streams.h"
#include "runtime/Exceptions.h"

namespace {

// Reads a block of memory in place, without copying it.
class InputStream : public TCustomMemoryStream {
public:
    InputStream(const void* data, std::size_t size) {
        SetPointer(const_cast<void*>(data), static_cast<std::int32_t>(size));
    }
    std::int32_t Write(const void*, std::int32_t) override { return 0; }
};

std::string FormToText(const std::string& form) {
    InputStream input(form.data(), form.size());
    TMemoryStream output;
    FormFileToText(input, output);
    return std::string(output.Memory(), static_cast<std::size_t>(output.Size()));
}

std::string TextToForm(const void* text, std::size_t size, TWideStringFormat wide) {
    InputStream input(text, size);
    TFormTextOptions options;
    options.WideStrings = wide;
    return FormTextToFormFile(input, options);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > (1u << 24) || size == 0)
        return 0;
    // The first byte picks how wide strings are stored; the rest is the text.
    const TWideStringFormat wide = (data[0] & 1) != 0 ? wsUtf8 : wsUtf16;
    ++data;
    --size;
    std::string form;
    try {
        form = TextToForm(data, size, wide);
    } catch (const Exception&) {
        return 0;
    }
    // A UTF-8 text may make wide strings of characters up to 255, whose text is that of bytes.
    if (size >= 3 && std::memcmp(data, "\xEF\xBB\xBF", 3) == 0)
        return 0;
    try {
        const std::string text = FormToText(form);
        const std::string again = TextToForm(text.data(), text.size(), wide);
        if (FormToText(again) != text)
            std::abort();
    } catch (const EReadError&) {
        // A value kind the conversion does not render yet (a whole float of the text may come back
        // as a 64-bit integer).
    }
    return 0;
}
