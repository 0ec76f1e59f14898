// The JSON helpers read page arguments and files from outside; none of them may crash or hang.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/args.h"
#include "base/json.h"

using namespace velotap;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string key = size ? text.substr(0, data[0] % 8) : std::string();
    std::string value = JsonLookup(text, key);
    JsonLookup(value, "pieces");
    JsonArrayElement(text, size % 5);
    std::string out;
    JsonUnescape(text, out);
    // What is escaped reads back unchanged unless it holds control characters (\u escapes).
    std::string escaped = JsonEscape(text);
    bool control = false;
    for (unsigned char c : text)
        control = control || c < 0x20 || c == 0x7f;
    if (!control && JsonLookup("{\"k\":" + escaped + "}", "k") != text) __builtin_trap();
    SplitString(FlattenArgs(text), ',');
    return 0;
}
