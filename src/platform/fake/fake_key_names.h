#pragma once
// Key names of a fixed US layout for tests: letters, digits, F1-F24 and a few named keys.
#include "platform/key_names.h"

namespace velotap {

class FakeKeyNames final : public KeyNameSource {
  public:
    std::string LayoutName(uint32_t code) override;
};

}  // namespace velotap
