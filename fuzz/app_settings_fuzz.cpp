// "appsettings.txt" is read at every start: any content loads, the page always gets JSON from it,
// and what is saved loads back to the same settings.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/app_settings.h"
#include "fuzz_json.h"

using namespace velotap;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    AppSettings settings;
    ParseAppSettings(text, settings);
    if (!IsJsonOrEmpty(AppSettingsJson(settings))) __builtin_trap();
    const std::string saved = FormatAppSettings(settings);
    AppSettings back;
    ParseAppSettings(saved, back);
    if (FormatAppSettings(back) != saved) __builtin_trap();
    return 0;
}
