// What both systems' sides of ToolHost.h share.
#include "platform/ToolHost.h"

namespace toolhost {

Hooks& hooks() {
    static Hooks installed;
    return installed;
}

}  // namespace toolhost
