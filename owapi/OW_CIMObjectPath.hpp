#ifndef OW_CIMOBJECTPATH_HPP_INCLUDE_GUARD_
#define OW_CIMOBJECTPATH_HPP_INCLUDE_GUARD_
#include "OW_config.h"
#include "OW_CIMFwd.hpp"
#include "OW_CIMNULL.hpp"
#include "OW_COWReference.hpp"
#include "OW_String.hpp"

namespace OpenWBEM {

// A class or instance name: host, namespace, class name and keys in
// insertion order. Note the argument orders: (className, ns) but (ns, inst).
class CIMObjectPath {
private:
    struct dummy {
        void nonnull() {}
    };
    typedef void (dummy::*safe_bool)();

public:
    CIMObjectPath();
    explicit CIMObjectPath(CIMNULL_t);
    explicit CIMObjectPath(const String& className);
    explicit CIMObjectPath(const char* className);
    CIMObjectPath(const String& className, const String& nspace);
    CIMObjectPath(const String& className, const CIMPropertyArray& keys);
    CIMObjectPath(const String& ns, const CIMInstance& inst);
    CIMObjectPath(const CIMObjectPath& arg);
    ~CIMObjectPath();
    CIMObjectPath& operator=(const CIMObjectPath& arg);

    CIMObjectPath& addKey(const String& keyname, const CIMValue& value) OW_DEPRECATED;
    CIMObjectPath& addKey(const CIMProperty& key) OW_DEPRECATED;
    CIMPropertyArray getKeys() const;
    CIMProperty getKey(const String& keyName) const;
    CIMProperty getKeyT(const String& keyName) const;
    CIMValue getKeyValue(const String& name) const;
    bool keyHasValue(const String& name) const;
    CIMObjectPath& setKeys(const CIMPropertyArray& newKeys);
    CIMObjectPath& setKeys(const CIMInstance& instance);
    CIMObjectPath& setKeyValue(const String& name, const CIMValue& value);
    String getNameSpace() const;
    String getHost() const;
    String getClassName() const;
    CIMObjectPath& setHost(const String& host);
    CIMObjectPath& setNameSpace(const String& ns);
    CIMObjectPath& setClassName(const String& className);
    bool equals(const CIMObjectPath& op) const;
    bool operator==(const CIMObjectPath& op) const { return equals(op); }
    bool operator!=(const CIMObjectPath& op) const { return !equals(op); }
    bool isClassPath() const;
    bool isInstancePath() const;
    // "/root/cimv2:C.Tag=\"Chassis\",CreationClassName=\"QVX_Chassis\"".
    String toString() const;
    String modelPath() const;
    String toMOF() const;
    static String escape(const String& inString);
    static String unEscape(const String& inString);
    // Reads the toString() form back; quoted values become strings,
    // true/false booleans and other bare values numbers.
    static CIMObjectPath parse(const String& instanceName);
    operator safe_bool() const { return m_impl.isNull() ? 0 : &dummy::nonnull; }
    safe_bool operator!() const { return m_impl.isNull() ? &dummy::nonnull : 0; }

    struct Impl;

private:
    COWReference<Impl> m_impl;
};

}  // namespace OpenWBEM

#endif
