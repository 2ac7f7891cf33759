// Loads one C++ provider library as the object manager does: version check,
// factory named after the file, initialize once, and on shutdown
// release the object, then close the library its code lives in.
#ifndef QVX_CIMOM_PROVIDERLOADER_HPP
#define QVX_CIMOM_PROVIDERLOADER_HPP

#include "CimomError.hpp"
#include "DynamicLinker.hpp"

#include "OW_CppProviderBaseIFC.hpp"
#include "OW_ProviderEnvironmentIFC.hpp"

#include <string>

namespace qvx_cimom {

// "/x/libQVXInventoryProvider.so" -> "QVXInventoryProvider": the file name
// without its first three characters (the "lib" is assumed, not checked)
// and without ".so". Throws CimomError when nothing would be left.
std::string providerIdFromPath(const std::string& path);

// The folder of the running program ("." when it cannot be read): the
// programs find the shipped library in ../lib and the schema in ../share.
std::string executableDir();

class ProviderLoader {
public:
    ProviderLoader(std::string path, OpenWBEM::ProviderEnvironmentIFCRef env,
                   DynamicLinker& linker = systemLinker());
    ~ProviderLoader();
    ProviderLoader(const ProviderLoader&) = delete;
    ProviderLoader& operator=(const ProviderLoader&) = delete;

    // Opens, checks, creates and initializes; throws CimomError (also
    // logged) and leaves nothing open when a step fails.
    void load();
    // Throws CimomError when not loaded.
    OpenWBEM::CppProviderBaseIFC& provider() const;
    bool loaded() const { return !!m_provider; }
    // Safe to call more than once; never throws.
    void shutdown();

    const std::string& path() const { return m_path; }
    const std::string& providerId() const { return m_id; }

private:
    [[noreturn]] void fail(const std::string& step, const std::string& detail);
    void closeLibrary();

    std::string m_path;
    std::string m_id;
    OpenWBEM::ProviderEnvironmentIFCRef m_env;
    DynamicLinker& m_linker;
    void* m_handle = nullptr;
    OpenWBEM::Reference<OpenWBEM::CppProviderBaseIFC> m_provider;
};

}  // namespace qvx_cimom

#endif
