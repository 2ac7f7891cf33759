#include "ProviderLoader.hpp"

#include "OW_config.h"

#include <unistd.h>

#include <climits>
#include <cstring>
#include <exception>
#include <utility>

using namespace OpenWBEM;

namespace qvx_cimom {

namespace {

typedef const char* (*VersionFn)();
typedef CppProviderBaseIFC* (*FactoryFn)();

std::string describe(const std::exception& e) {
    const char* text = e.what();
    return text && *text ? text : "exception without text";
}

}  // namespace

std::string executableDir() {
    char exe[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) return ".";
    exe[n] = '\0';
    std::string dir(exe);
    std::string::size_type slash = dir.rfind('/');
    return slash == std::string::npos ? std::string(".") : dir.substr(0, slash);
}

std::string providerIdFromPath(const std::string& path) {
    std::string::size_type slash = path.rfind('/');
    std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::string suffix = ".so";
    if (file.size() > suffix.size() &&
        file.compare(file.size() - suffix.size(), suffix.size(), suffix) == 0) {
        file.erase(file.size() - suffix.size());
    }
    if (file.size() <= 3) {
        throw CimomError(path + ": cannot derive a provider id from the file name");
    }
    return file.substr(3);
}

ProviderLoader::ProviderLoader(std::string path, ProviderEnvironmentIFCRef env,
                               DynamicLinker& linker)
    : m_path(std::move(path)), m_env(env), m_linker(linker) {
    if (!m_env) throw CimomError(m_path + ": no provider environment given");
}

ProviderLoader::~ProviderLoader() {
    shutdown();
}

void ProviderLoader::fail(const std::string& step, const std::string& detail) {
    std::string message = m_path + ": " + step + ": " + detail;
    // Logging must not hide the error being reported.
    try {
        m_env->getLogger()->logError(message.c_str());
    } catch (...) {
    }
    throw CimomError(message);
}

void ProviderLoader::closeLibrary() {
    if (!m_handle) return;
    void* handle = m_handle;
    m_handle = nullptr;
    if (m_linker.close(handle) != 0) {
        try {
            m_env->getLogger()->logError((m_path + ": dlclose: " + m_linker.lastError()).c_str());
        } catch (...) {
        }
    }
}

void ProviderLoader::load() {
    if (m_provider) return;
    std::string id;
    try {
        id = providerIdFromPath(m_path);
    } catch (const CimomError&) {
        fail("provider id", "the file name is too short for \"lib<id>.so\"");
    }
    m_handle = m_linker.open(m_path);
    if (!m_handle) fail("dlopen", m_linker.lastError());

    try {
        auto version = reinterpret_cast<VersionFn>(m_linker.symbol(m_handle, "getOWVersion"));
        if (!version) fail("getOWVersion", "the library does not export getOWVersion");
        const char* found = version();
        if (!found) fail("getOWVersion", "returned no version");
        if (std::strcmp(found, OW_VERSION) != 0) {
            fail("getOWVersion", std::string("interface version \"") + found + "\" found, \"" +
                                     OW_VERSION + "\" expected");
        }

        std::string factoryName = "createProvider" + id;
        auto factory = reinterpret_cast<FactoryFn>(m_linker.symbol(m_handle, factoryName));
        if (!factory) fail(factoryName, "the library does not export " + factoryName);
        Reference<CppProviderBaseIFC> created;
        try {
            created = factory();
        } catch (const std::exception& e) {
            fail(factoryName, "threw: " + describe(e));
        } catch (...) {
            fail(factoryName, "threw an exception of unknown type");
        }
        if (!created) fail(factoryName, "returned no provider");

        try {
            created->initialize(m_env);
        } catch (const std::exception& e) {
            // The provider is dropped: it goes before the code it lives in.
            created = 0;
            fail("initialize", "threw: " + describe(e));
        } catch (...) {
            created = 0;
            fail("initialize", "threw an exception of unknown type");
        }
        m_provider = created;
        m_id = id;
    } catch (...) {
        closeLibrary();
        throw;
    }
}

CppProviderBaseIFC& ProviderLoader::provider() const {
    if (!m_provider) throw CimomError(m_path + ": provider: not loaded");
    return *m_provider;
}

void ProviderLoader::shutdown() {
    // The object manager says nothing to a provider it lets go of.
    m_provider = 0;
    closeLibrary();
}

}  // namespace qvx_cimom
