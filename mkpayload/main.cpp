// mkpayload: writes, lists and checks the installer's payload archive Setup.Dat.
#include "mkpayload/Packer.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    return mkpayload::RunCommandLine(args, std::cout, std::cerr);
}
