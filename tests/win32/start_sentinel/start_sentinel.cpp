// Stands in for VelotapApp.exe where a test only needs to see that it was started: creates the
// file named by VELOTAP_START_SENTINEL.
#include <cstdio>
#include <cstdlib>

int main() {
    const char* path = std::getenv("VELOTAP_START_SENTINEL");
    if (!path) return 1;
    std::FILE* f = std::fopen(path, "wb");
    return f && std::fclose(f) == 0 ? 0 : 1;
}
