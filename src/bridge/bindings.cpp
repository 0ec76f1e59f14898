#include "bridge/bindings.h"

namespace velotap {

std::vector<std::string> BindAll(PageBridge& bridge, const std::vector<Binding>& bindings) {
    std::vector<std::string> refused;
    for (const Binding& b : bindings) {
        const bool bound =
            b.async ? bridge.BindAsync(b.name, b.async) : bridge.Bind(b.name, b.sync);
        if (!bound) refused.push_back(b.name);
    }
    return refused;
}

}  // namespace velotap
