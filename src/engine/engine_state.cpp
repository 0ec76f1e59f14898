#include "engine/engine_state.h"

#include "base/event.h"

namespace velotap {

KeySpamTargets::KeySpamTargets() {
    codes[0].store(32);
    count.store(1);
}

bool KeySpamTargets::Append(int32_t code) {
    int32_t n = Count();
    if (n >= kCapacity) return false;
    codes[n].exchange(code);
    count.exchange(n + 1);
    first.exchange(codes[0].load());
    return true;
}

bool KeySpamTargets::Remove(int32_t index) {
    int32_t n = Count();
    if (index < 0 || index >= n) return false;
    for (int32_t i = index; i + 1 < n; ++i)
        codes[i].exchange(codes[i + 1].load());
    count.exchange(n - 1);
    if (n - 1 > 0) first.exchange(codes[0].load());
    return true;
}

int32_t KeySpamTargets::Count() const {
    int32_t n = count.load();
    return n < 0 ? 0 : (n > kCapacity ? kCapacity : n);
}

void RaiseRequest(Flag& request, Event& command) {
    request.exchange(1);
    command.Set();
}

}  // namespace velotap
