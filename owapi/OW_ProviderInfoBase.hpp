#ifndef OW_PROVIDERINFOBASE_HPP_INCLUDE_GUARD_
#define OW_PROVIDERINFOBASE_HPP_INCLUDE_GUARD_
#include "OW_config.h"
#include "OW_Array.hpp"
#include "OW_String.hpp"

namespace OpenWBEM {

struct InstClassInfo {
    explicit InstClassInfo(String const& className_) : className(className_) {}
    InstClassInfo(String const& className_, StringArray const& namespaces_)
        : className(className_), namespaces(namespaces_) {}
    String className;
    StringArray namespaces;
};

// The classes a provider registers itself for.
template <class ClassInfoT>
class ProviderInfoBase {
public:
    typedef ClassInfoT ClassInfo;
    typedef Array<ClassInfoT> ClassInfoArray;

    void addInstrumentedClass(String const& className) {
        m_instrumentedClasses.push_back(ClassInfoT(className));
    }
    void addInstrumentedClass(ClassInfoT const& classInfo) {
        m_instrumentedClasses.push_back(classInfo);
    }
    const ClassInfoArray& getClassInfo() const { return m_instrumentedClasses; }
    void setProviderName(String const& name) { m_name = name; }
    String getProviderName() const { return m_name; }

private:
    ClassInfoArray m_instrumentedClasses;
    String m_name;
};

}  // namespace OpenWBEM

#endif
