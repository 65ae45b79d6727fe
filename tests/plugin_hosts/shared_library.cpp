#include "tests/plugin_hosts/shared_library.h"

#include "tests/plugin_hosts/hosted_plugin.h"

#include <stdexcept>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace corvex::plugin_hosts
{

SharedLibrary::SharedLibrary(const std::string& path)
{
#if defined(_WIN32)
    // The build hands over Unix paths when it runs under Wine, whose drive Z: is the Unix root.
    handle_ = LoadLibraryA((path.starts_with('/') ? "Z:" + path : path).c_str());
    require(handle_ != nullptr, "cannot load " + path + ": error " + std::to_string(GetLastError()));
#else
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr)
        throw std::runtime_error("cannot load " + path + ": " + dlerror());
#endif
}

SharedLibrary::~SharedLibrary()
{
#if defined(_WIN32)
    FreeLibrary(static_cast<HMODULE>(handle_));
#else
    dlclose(handle_);
#endif
}

void* SharedLibrary::symbol(const char* name) const
{
#if defined(_WIN32)
    void* const address = reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
#else
    void* const address = dlsym(handle_, name);
#endif
    require(address != nullptr, std::string("the plug-in exports no ") + name);
    return address;
}

} // namespace corvex::plugin_hosts
