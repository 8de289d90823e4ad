#include "GLDriverResidency.h"

#include <dlfcn.h>
#include <link.h>

#include <string>
#include <string_view>
#include <vector>

namespace rure::test {

void keepGLDriversLoaded() {
    std::vector<std::string> drivers;
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* found) {
            const std::string_view name = info->dlpi_name != nullptr ? info->dlpi_name : "";
            if (name.ends_with("_dri.so")) {
                static_cast<std::vector<std::string>*>(found)->emplace_back(name);
            }
            return 0;
        },
        &drivers);
    for (const std::string& driver : drivers) {
        // Only marks the already loaded library; the handle is never closed.
        dlopen(driver.c_str(), RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
    }
}

} // namespace rure::test
