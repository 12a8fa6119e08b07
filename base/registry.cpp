#include "base/registry.h"

HKEY RegistryRoot()
{
#ifdef _WIN32_WCE
    return HKEY_LOCAL_MACHINE;
#else
    return HKEY_CURRENT_USER;
#endif
}
