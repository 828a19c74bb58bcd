#include <cstdio>

int main() {
    std::fputs("usage: zetrova-cli COMMAND ...\n", stderr);
    return 2;
}
