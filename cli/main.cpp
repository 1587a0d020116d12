#include <cstdio>

int main()
{
    std::fputs("quillon-cli: not built yet\n", stderr);
    return 3;
}
