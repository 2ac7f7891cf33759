// The frame the three class providers share: the operation error guard, the
// refusals, key lookups, record-to-instance and record-to-path conversion
// helpers and the property modify loop. Every helper takes the calling
// unit's source name, so exceptions name the provider, not this header.
#ifndef QVX_FRAME_PROVIDERFRAME_HPP
#define QVX_FRAME_PROVIDERFRAME_HPP

#include "OW_CIMDateTime.hpp"
#include "OW_CIMException.hpp"
#include "OW_CIMInstance.hpp"
#include "OW_CIMObjectPath.hpp"
#include "OW_CIMProperty.hpp"
#include "OW_CIMValue.hpp"
#include "OW_ProviderEnvironmentIFC.hpp"
#include "OW_String.hpp"

#include <cstddef>
#include <exception>

// Where an exception is thrown: the throwing unit's file and line.
struct QVX_Source {
    const char* file;
    int line;
};
#define QVX_HERE (QVX_Source{__FILE__, __LINE__})

enum QVX_Operation {
    QVX_ENUM_INSTANCE_NAMES,
    QVX_ENUM_INSTANCES,
    QVX_GET_INSTANCE,
    QVX_MODIFY_INSTANCE
};

// Logs the guard's message through the request environment's logger and
// throws CIM_ERR_FAILED with it. what is null for a non-standard exception.
[[noreturn]] void QVX_guardFailed(const OpenWBEM::ProviderEnvironmentIFCRef& env, QVX_Source source,
                                  QVX_Operation operation, const OpenWBEM::String& subject,
                                  const char* what);

// Runs work inside the operation error guard. A CIMException passes
// unchanged and unlogged; anything else becomes CIM_ERR_FAILED with
// "Unknown Error: ..." and is logged. subject() is only asked on failure.
template <class Work, class Subject>
auto QVX_guard(const OpenWBEM::ProviderEnvironmentIFCRef& env, QVX_Source source,
               QVX_Operation operation, Subject subject, Work work) -> decltype(work()) {
    try {
        return work();
    } catch (const OpenWBEM::CIMException&) {
        throw;
    } catch (const std::exception& e) {
        QVX_guardFailed(env, source, operation, subject(), e.what());
    } catch (...) {
        QVX_guardFailed(env, source, operation, subject(), 0);
    }
}

// Create, delete and invoke: CIM_ERR_NOT_SUPPORTED without message.
[[noreturn]] void QVX_throwNotSupported(QVX_Source source);
// CIM_ERR_NOT_FOUND without message.
[[noreturn]] void QVX_throwNotFound(QVX_Source source);

// Key lookup: the text of each named key, in the order given, read from a
// path's keys or an instance's properties. A missing key or a null value
// fails with CIM_ERR_NOT_FOUND without message.
template <size_t N>
struct QVX_KeyTexts {
    OpenWBEM::String text[N];
};
OpenWBEM::String QVX_keyText(const OpenWBEM::CIMProperty& key, QVX_Source source);
inline OpenWBEM::CIMProperty QVX_findKey(const OpenWBEM::CIMObjectPath& path, const char* name) {
    return path.getKey(name);
}
inline OpenWBEM::CIMProperty QVX_findKey(const OpenWBEM::CIMInstance& inst, const char* name) {
    return inst.getProperty(name);
}
template <class Source, size_t N>
QVX_KeyTexts<N> QVX_readKeys(const Source& from, const char* const (&names)[N], QVX_Source source) {
    QVX_KeyTexts<N> keys;
    for (size_t i = 0; i < N; ++i) keys.text[i] = QVX_keyText(QVX_findKey(from, names[i]), source);
    return keys;
}

// Record to instance. Each sets one property from one record getter:
// only when the getter reports a value ...
template <class Record, class T>
void QVX_setIfValid(OpenWBEM::CIMInstance& inst, const char* name, const Record& record,
                    bool (Record::*getter)(T&) const) {
    T value = T();
    if ((record.*getter)(value)) inst.setProperty(name, OpenWBEM::CIMValue(value));
}
// ... always, with "" when the getter fails ...
template <class Record>
void QVX_setOrEmpty(OpenWBEM::CIMInstance& inst, const char* name, const Record& record,
                    bool (Record::*getter)(OpenWBEM::String&) const) {
    OpenWBEM::String value;
    if (!(record.*getter)(value)) value = "";
    inst.setProperty(name, OpenWBEM::CIMValue(value));
}
// ... or always, without looking at the getter's result.
template <class Record, class T>
void QVX_setAlways(OpenWBEM::CIMInstance& inst, const char* name, const Record& record,
                   bool (Record::*getter)(T&) const) {
    T value = T();
    (record.*getter)(value);
    inst.setProperty(name, OpenWBEM::CIMValue(value));
}

// Record to path: one string key per getter, in order; a getter that
// reports no value fails with CIM_ERR_NOT_FOUND.
template <class Record>
struct QVX_KeyGetter {
    const char* name;
    bool (Record::*get)(OpenWBEM::String&) const;
};
template <class Record, size_t N>
void QVX_recordToPath(const Record& record, const QVX_KeyGetter<Record> (&keys)[N],
                      OpenWBEM::CIMObjectPath& path, QVX_Source source) {
    OpenWBEM::CIMPropertyArray list;
    list.reserve(N);
    for (const QVX_KeyGetter<Record>& k : keys) {
        OpenWBEM::String value;
        if (!(record.*k.get)(value)) QVX_throwNotFound(source);
        list.push_back(OpenWBEM::CIMProperty(k.name, OpenWBEM::CIMValue(value)));
    }
    path.setKeys(list);
}

// The property modify loop. Each writable property names the record's
// setter; names are compared exactly, in the table's order.
template <class Record>
struct QVX_Writable {
    const char* name;
    bool (*set)(Record& record, const OpenWBEM::String& value);
};
// Logs and throws the failure of one write.
[[noreturn]] void QVX_modifyFailed(const OpenWBEM::CIMInstance& inst,
                                   const OpenWBEM::String& propertyName, bool resultCode,
                                   QVX_Source source);
template <class Record, size_t N>
void QVX_modifyProperties(Record& record, const OpenWBEM::CIMInstance& inst,
                          const QVX_Writable<Record> (&writable)[N], QVX_Source source) {
    OpenWBEM::CIMPropertyArray props = inst.getProperties();
    for (const OpenWBEM::CIMProperty& p : props) {
        bool ok = true;
        OpenWBEM::String name = p.getName();
        for (const QVX_Writable<Record>& w : writable) {
            if (!name.equals(w.name)) continue;
            OpenWBEM::CIMValue value = p.getValue();
            if (value) ok = w.set(record, value.toString());
            break;
        }
        // No rollback: writes made for earlier properties stay.
        if (!ok) QVX_modifyFailed(inst, name, ok, source);
    }
}

#endif
