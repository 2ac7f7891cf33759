#include "DynamicLinker.hpp"

#include <dlfcn.h>

namespace qvx_cimom {

namespace {

class SystemLinker : public DynamicLinker {
public:
    void* open(const std::string& path) override {
        // RTLD_LOCAL: two providers may define the same internal names.
        // RTLD_NODELETE: a provider's once-created singletons are never freed
        // and live on in its data; keeping the image mapped after dlclose
        // keeps them reachable and a reload from running its statics twice.
        return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    }
    void* symbol(void* handle, const std::string& name) override {
        dlerror();
        return dlsym(handle, name.c_str());
    }
    int close(void* handle) override { return dlclose(handle); }
    std::string lastError() override {
        const char* e = dlerror();
        return e ? e : "unknown dynamic linker error";
    }
};

}  // namespace

DynamicLinker& systemLinker() {
    static SystemLinker linker;
    return linker;
}

}  // namespace qvx_cimom
