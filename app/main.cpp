#include <cstdio>

int main() {
    std::printf("RuvuvADU %s\n", RUVU_VERSION);
    return 0;
}
