#pragma once

#include <string>

namespace corvex::plugin_hosts
{

// A plug-in binary loaded into the process (dlopen, or LoadLibrary on Windows),
// unloaded when this object goes. Failures throw std::runtime_error.
class SharedLibrary
{
public:
    explicit SharedLibrary(const std::string& path);
    ~SharedLibrary();
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    void* symbol(const char* name) const;
    // What the operating system calls the loaded binary (the argument some entry points take).
    void* handle() const { return handle_; }

private:
    void* handle_ = nullptr;
};

} // namespace corvex::plugin_hosts
