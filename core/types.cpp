#include "core/types.h"

namespace quillon {

ModuleInfo headRecord()
{
    return ModuleInfo{"HB612.wmf", 2, 1, 0, 0, "OVN_HB612.eds", 11};
}

std::string modelNameOf(const std::string& resourceFile)
{
    if (resourceFile.size() <= 4)
        return {};
    return resourceFile.substr(4, 5);
}

} // namespace quillon
