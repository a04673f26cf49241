#include "TavoStartup.h"

int main(int argc, char *argv[])
{
    return runNuvTavo(argc, argv);
}
