// pak: the command-line tool for pack archives.
#include <cstdio>

#include "platform/ToolHost.h"
#include "tools/pak/Pak.h"

int main(int argc, char** argv) {
    toolhost::CatchInterrupts();
    return pak::Run(std::vector<std::string>(argv + 1, argv + argc), stdout, stderr);
}
