// Kavro: catalogue manager for USB disc changers.
#include "KavroProgram.h"

int main(int argc, char** argv)
{
    return kavro::RunKavroProgram(argc, argv);
}
