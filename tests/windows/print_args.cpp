// A program for the action cases: prints each of its arguments between < and >, as its start-up
// code split them from the command line it was given. Installed beside qjintp.exe, where a
// program's name is looked for first.
#include <cstdio>

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) std::printf("<%s>", argv[i]);
    return 0;
}
