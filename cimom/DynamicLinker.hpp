// dlopen/dlsym/dlclose behind an interface, so the loader's error paths can
// be driven without building a library for each.
#ifndef QVX_CIMOM_DYNAMICLINKER_HPP
#define QVX_CIMOM_DYNAMICLINKER_HPP

#include <string>

namespace qvx_cimom {

class DynamicLinker {
public:
    virtual ~DynamicLinker() = default;
    // Null on failure; lastError() then says why.
    virtual void* open(const std::string& path) = 0;
    virtual void* symbol(void* handle, const std::string& name) = 0;
    // Zero on success.
    virtual int close(void* handle) = 0;
    virtual std::string lastError() = 0;
};

// The process's own dynamic linker.
DynamicLinker& systemLinker();

}  // namespace qvx_cimom

#endif
