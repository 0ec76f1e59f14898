#include "bridge/bindings.h"

namespace velotap {

void BindAll(WindowHost& host, const std::vector<Binding>& bindings) {
    for (const Binding& b : bindings) {
        if (b.async) {
            host.BindAsync(b.name, b.async);
        } else {
            host.Bind(b.name, b.sync);
        }
    }
}

}  // namespace velotap
