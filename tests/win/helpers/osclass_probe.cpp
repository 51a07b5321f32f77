// Reports GetOsClass of the system as Wine presents it to this program: the exit code is
// the class plus OSCLASS_EXIT_OFFSET (so that -1 stays positive).
#include "platform/version.h"

namespace {
constexpr int OSCLASS_EXIT_OFFSET = 100;
}

int main() { return qs::GetOsClass() + OSCLASS_EXIT_OFFSET; }
