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
    // What is escaped reads back as text that escapes to the same literal (ill-formed UTF-8 has
    // become U+FFFD, which stays), and unchanged when it is plain ASCII. Control characters
    // become \u escapes, which the reader does not take.
    std::string escaped = JsonEscape(text);
    bool control = false, ascii = true;
    for (unsigned char c : text) {
        control = control || c < 0x20 || c == 0x7f;
        ascii = ascii && c < 0x80;
    }
    if (!control) {
        const std::string back = JsonLookup("{\"k\":" + escaped + "}", "k");
        if (JsonEscape(back) != escaped || (ascii && back != text)) __builtin_trap();
    }
    SplitString(FlattenArgs(text), ',');
    return 0;
}
