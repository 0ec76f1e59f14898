#include "app/main_role.h"

#include <cstdio>

int RunWindowRole(const WindowChoice& choice, const std::string& updateManifest, int argc,
                  char** argv) {
    std::fputs("Velotap: this window role is not available in this build.\n", stderr);
    return 1;
}
