#include "ui/Application.h"

int main(int argc, char **argv)
{
    return zezu::runEditor(argc, argv);
}
