// The class declarations the object manager holds, as read from MOF, and
// the provider each class is routed to by its Provider qualifier.
#ifndef QVX_CIMOM_CLASSREPOSITORY_HPP
#define QVX_CIMOM_CLASSREPOSITORY_HPP

#include "MofReader.hpp"

#include "OW_CIMClass.hpp"
#include "OW_String.hpp"

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace qvx_cimom {

// A class set that does not hang together: a name given twice, or a
// superclass that is not there.
class RepositoryError : public std::runtime_error {
public:
    explicit RepositoryError(const std::string& message) : std::runtime_error(message) {}
};

class ClassRepository {
public:
    ClassRepository() = default;

    // Reads the classes of a MOF file; MofError or RepositoryError on faults.
    static ClassRepository fromMofFile(const std::string& path);

    // Adds classes in order, each superclass before its subclasses; all of
    // them or, on an error, none.
    void addClasses(const std::vector<OpenWBEM::CIMClass>& classes);
    void addClass(const OpenWBEM::CIMClass& cls);

    // Looked up ignoring letter case, as object managers do; a null class
    // when there is none.
    OpenWBEM::CIMClass getClass(const OpenWBEM::String& name) const;
    bool hasClass(const OpenWBEM::String& name) const;
    // In the order the classes were added, spelled as declared.
    std::vector<OpenWBEM::String> classNames() const;

    // The provider id a class routes to: its own Provider qualifier, else
    // the nearest superclass's (qualifiers pass to subclasses). Empty when
    // no qualifier names a C++ provider.
    OpenWBEM::String providerFor(const OpenWBEM::String& className) const;

    // The id in a Provider qualifier value "c++::<id>" or "c++:<id>" (the
    // interface name in any letter case); empty for any other form.
    static OpenWBEM::String cppProviderId(const OpenWBEM::String& qualifierValue);

    // The flavors of the qualifiers the MOF file declared.
    const QualifierFlavorTable& qualifierFlavors() const { return m_flavors; }

private:
    std::vector<OpenWBEM::CIMClass> m_classes;
    std::map<std::string, size_t> m_index;  // lower-case name -> position
    QualifierFlavorTable m_flavors;
};

}  // namespace qvx_cimom

#endif
