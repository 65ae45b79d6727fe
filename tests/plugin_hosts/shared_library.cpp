#include "tests/plugin_hosts/shared_library.h"

#include <stdexcept>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace corvex::plugin_hosts
{

#if defined(_WIN32)

SharedLibrary::SharedLibrary(const std::string& path)
{
    // The build hands over Unix paths when it runs under Wine, whose drive Z: is the Unix root.
    const std::string windowsPath = path.starts_with('/') ? "Z:" + path : path;
    handle_ = LoadLibraryA(windowsPath.c_str());
    if (handle_ == nullptr)
        throw std::runtime_error("cannot load " + windowsPath + ": error " + std::to_string(GetLastError()));
}

SharedLibrary::~SharedLibrary()
{
    FreeLibrary(static_cast<HMODULE>(handle_));
}

void* SharedLibrary::symbol(const char* name) const
{
    if (void* const address = reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name)))
        return address;
    throw std::runtime_error(std::string("the plug-in exports no ") + name);
}

#else

SharedLibrary::SharedLibrary(const std::string& path)
{
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr)
        throw std::runtime_error("cannot load " + path + ": " + dlerror());
}

SharedLibrary::~SharedLibrary()
{
    dlclose(handle_);
}

void* SharedLibrary::symbol(const char* name) const
{
    if (void* const address = dlsym(handle_, name))
        return address;
    throw std::runtime_error(std::string("the plug-in exports no ") + name);
}

#endif

} // namespace corvex::plugin_hosts
