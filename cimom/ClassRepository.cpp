#include "ClassRepository.hpp"

#include "MofReader.hpp"
#include "OW_CIMQualifier.hpp"
#include "OW_CIMValue.hpp"

#include <utility>

namespace qvx_cimom {

using namespace OpenWBEM;

namespace {

std::string lowerCase(const String& s) {
    std::string out(s.c_str(), s.length());
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

}  // namespace

ClassRepository ClassRepository::fromMofFile(const std::string& path) {
    ClassRepository repo;
    repo.addClasses(readMofFile(path, &repo.m_flavors));
    return repo;
}

void ClassRepository::addClasses(const std::vector<CIMClass>& classes) {
    ClassRepository grown(*this);
    for (const CIMClass& c : classes) grown.addClass(c);
    *this = std::move(grown);
}

void ClassRepository::addClass(const CIMClass& cls) {
    if (!cls || cls.getName().empty()) throw RepositoryError("a class without a name");
    std::string name = cls.getName().c_str();
    if (hasClass(cls.getName())) throw RepositoryError("class " + name + " is already defined");
    String super = cls.getSuperClass();
    if (!super.empty() && !hasClass(super)) {
        throw RepositoryError("class " + name + ": superclass " + super.c_str() +
                              " is not defined");
    }
    m_index[lowerCase(cls.getName())] = m_classes.size();
    m_classes.push_back(cls);
}

CIMClass ClassRepository::getClass(const String& name) const {
    auto found = m_index.find(lowerCase(name));
    return found == m_index.end() ? CIMClass(CIMNULL) : m_classes[found->second];
}

bool ClassRepository::hasClass(const String& name) const {
    return static_cast<bool>(getClass(name));
}

std::vector<String> ClassRepository::classNames() const {
    std::vector<String> names;
    for (const CIMClass& c : m_classes) names.push_back(c.getName());
    return names;
}

String ClassRepository::providerFor(const String& className) const {
    // Superclasses are added before their subclasses, so the walk ends
    // within as many steps as there are classes.
    CIMClass c = getClass(className);
    for (size_t steps = 0; c && steps < m_classes.size(); ++steps) {
        CIMQualifier q = c.getQualifier(CIMQualifier::CIM_QUAL_PROVIDER);
        if (q) {
            CIMValue v = q.getValue();
            if (!v || v.isArray() || v.getType() != CIMDataType::STRING) return String();
            return cppProviderId(v.toString());
        }
        if (c.getSuperClass().empty()) break;
        c = getClass(c.getSuperClass());
    }
    return String();
}

String ClassRepository::cppProviderId(const String& value) {
    size_t colon = value.indexOf(':');
    if (colon == String::npos || !value.substring(0, colon).equalsIgnoreCase("c++"))
        return String();
    size_t start = colon + 1;
    if (start < value.length() && value.charAt(start) == ':') ++start;
    String id = value.substring(start);
    return id;
}

}  // namespace qvx_cimom
