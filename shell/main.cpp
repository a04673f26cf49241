#include "QoraStartup.h"

int main(int argc, char *argv[])
{
    return runNuvQora(argc, argv);
}
