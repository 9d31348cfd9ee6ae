// The fast 18-digit path of extended values against the exact expansion, on arbitrary 10-byte
// values: wherever the fast path decides, both must give the same digits and exponent.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "formstream/FormText.h"
#include "formstream/Reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size != sizeof TExtended::Bytes)
        return 0;
    TExtended value;
    std::memcpy(value.Bytes, data, size);
    TDigits18 fast;
    if (!ExtendedDigits18Fast(value, fast))
        return 0;
    const TDigits18 exact = ExtendedDigits18Exact(value);
    if (fast.Digits != exact.Digits || fast.Exponent != exact.Exponent)
        std::abort();
    return 0;
}
