/* A host as a user of the installed package writes it: runs the script named first. */
#include <qjintp32.h>
#include <stdio.h>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    printf("host built against QJIntp32 %s\n", QJINTP32_VERSION);
    return QJIPInterpret(argv[1], NULL, "\"from the host\"") == 1 ? 0 : 1;
}
