// qspack: builds and inspects the installer's package resource. See `qspack --help`.
#include <iostream>
#include <string>
#include <vector>

#include "tools/packtool/core/packtool.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return qs::packtool::RunPackTool(args, std::cout, std::cerr);
}
