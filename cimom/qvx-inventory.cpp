// Command-line client: loads the inventory provider into this process, as
// the object manager would, and runs one operation against it.
#include "Dispatcher.hpp"
#include "HostEnvironment.hpp"
#include "ProviderLoader.hpp"

#include "OW_CIMException.hpp"
#include "OW_CIMProperty.hpp"

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

using namespace OpenWBEM;
using namespace qvx_cimom;

namespace {

const int kExitFailed = 1;
const int kExitUsage = 2;

const char kUsage[] =
    "usage: qvx-inventory [--library PATH] [--log FILE] COMMAND ARGS...\n"
    "\n"
    "Loads the inventory provider library and runs one operation on namespace\n"
    "root/cimv2.\n"
    "\n"
    "commands:\n"
    "  ein CLASS                 enumerate instance names, one path per line\n"
    "  ei CLASS                  enumerate instances\n"
    "  gi PATH                   get one instance\n"
    "  mi PATH PROP=VALUE...     read the instance, replace properties, modify it\n"
    "  ci CLASS                  create an instance of CLASS without properties\n"
    "  di PATH                   delete an instance\n"
    "  cm PATH METHOD            invoke a method without parameters\n"
    "\n"
    "options:\n"
    "  --library PATH  provider library (default, from this program's folder:\n"
    "                  " QVX_PROVIDER_FROM_PROGRAM
    ")\n"
    "  --log FILE      append log lines to FILE instead of standard error\n"
    "  --help          show this text\n"
    "\n"
    "examples:\n"
    "  qvx-inventory ein QVX_Z64Chassis\n"
    "  qvx-inventory ei QVX_MBMLogicalModule\n"
    "  qvx-inventory gi 'QVX_Z64Chassis.Tag=\"Chassis\",CreationClassName=\"QVX_Chassis\"'\n"
    "  qvx-inventory mi 'QVX_Z64Chassis.Tag=\"Chassis\",CreationClassName=\"QVX_Chassis\"' \\\n"
    "      UserTracking='rack 4' Location=lab\n";

struct UsageError {
    std::string message;
};

CIMObjectPath parsePath(const std::string& text) {
    try {
        CIMObjectPath path = CIMObjectPath::parse(text.c_str());
        path.setNameSpace(Dispatcher::kNamespace);
        return path;
    } catch (const std::exception& e) {
        throw UsageError{"cannot read instance path '" + text + "': " + e.what()};
    }
}

void need(const std::vector<std::string>& args, size_t count, bool more = false) {
    if (args.size() < count + 1 || (!more && args.size() != count + 1)) {
        throw UsageError{"wrong number of arguments for '" + args[0] + "'"};
    }
}

int report(const Status& s) {
    if (s.ok()) return 0;
    std::fprintf(stderr, "%s\n", s.text().c_str());
    return kExitFailed;
}

// Validates the arguments before anything is loaded.
void checkArguments(const std::vector<std::string>& args) {
    const std::string& op = args[0];
    if (op == "ein" || op == "ei" || op == "ci") {
        need(args, 1);
    } else if (op == "gi" || op == "di") {
        need(args, 1);
        parsePath(args[1]);
    } else if (op == "cm") {
        need(args, 2);
        parsePath(args[1]);
    } else if (op == "mi") {
        need(args, 2, true);
        parsePath(args[1]);
        for (size_t i = 2; i < args.size(); ++i) {
            std::string::size_type eq = args[i].find('=');
            if (eq == std::string::npos || eq == 0) {
                throw UsageError{"expected PROP=VALUE, got '" + args[i] + "'"};
            }
        }
    } else {
        throw UsageError{"unknown command '" + op + "'"};
    }
}

int modify(Dispatcher& d, const std::vector<std::string>& args) {
    CIMObjectPath path = parsePath(args[1]);
    CIMInstance previous(CIMNULL);
    Status s = d.getInstance(path, previous);
    if (!s.ok()) return report(s);
    CIMInstance modified(previous);
    for (size_t i = 2; i < args.size(); ++i) {
        std::string::size_type eq = args[i].find('=');
        std::string name = args[i].substr(0, eq);
        CIMProperty prop = modified.getProperty(name.c_str());
        if (!prop) {
            std::fprintf(stderr, "CIM_ERR_NO_SUCH_PROPERTY: %s\n", name.c_str());
            return kExitFailed;
        }
        try {
            // Converted to the property's declared type, as a client would.
            prop.setValue(CIMValue(String(args[i].substr(eq + 1).c_str())));
        } catch (const std::exception& e) {
            std::fprintf(stderr, "CIM_ERR_TYPE_MISMATCH: %s: %s\n", name.c_str(), e.what());
            return kExitFailed;
        }
        modified.setProperty(prop);
    }
    return report(d.modifyInstance(modified, previous));
}

int run(Dispatcher& d, const std::vector<std::string>& args) {
    const std::string& op = args[0];
    if (op == "ein") {
        std::vector<CIMObjectPath> paths;
        Status s = d.enumInstanceNames(args[1], paths);
        for (const CIMObjectPath& p : paths) std::printf("%s\n", p.toString().c_str());
        return report(s);
    }
    if (op == "ei") {
        std::vector<CIMInstance> all;
        Status s = d.enumInstances(args[1], all);
        for (const CIMInstance& i : all) std::printf("%s\n", i.toMOF().c_str());
        return report(s);
    }
    if (op == "gi") {
        CIMInstance one(CIMNULL);
        Status s = d.getInstance(parsePath(args[1]), one);
        if (s.ok()) std::printf("%s", one.toMOF().c_str());
        return report(s);
    }
    if (op == "mi") return modify(d, args);
    if (op == "ci") {
        CIMObjectPath created(CIMNULL);
        Status s = d.createInstance(CIMInstance(args[1].c_str()), created);
        if (s.ok()) std::printf("%s\n", created.toString().c_str());
        return report(s);
    }
    if (op == "di") return report(d.deleteInstance(parsePath(args[1])));
    // cm
    CIMParamValueArray in, out;
    CIMValue result(CIMNULL);
    Status s = d.invokeMethod(parsePath(args[1]), args[2], in, out, result);
    if (s.ok()) std::printf("%s\n", result ? result.toString().c_str() : "(null)");
    return report(s);
}

}  // namespace

int main(int argc, char** argv) {
    std::string library;
    std::string logFile;
    std::vector<std::string> args;
    try {
        for (int i = 1; i < argc; ++i) {
            std::string a = argv[i];
            if (!args.empty()) {
                args.push_back(a);
            } else if (a == "--help" || a == "-h") {
                std::fputs(kUsage, stdout);
                return 0;
            } else if (a == "--library" || a == "--log") {
                if (i + 1 >= argc) throw UsageError{a + " needs a value"};
                (a == "--library" ? library : logFile) = argv[++i];
            } else if (a.size() > 1 && a[0] == '-') {
                throw UsageError{"unknown option '" + a + "'"};
            } else {
                args.push_back(a);
            }
        }
        if (args.empty()) throw UsageError{"no command given"};
        checkArguments(args);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "qvx-inventory: %s\n\n%s", e.message.c_str(), kUsage);
        return kExitUsage;
    }
    if (library.empty()) library = executableDir() + "/" QVX_PROVIDER_FROM_PROGRAM;

    try {
        LoggerRef logger(logFile.empty() ? new HostLogger() : new HostLogger(logFile));
        ProviderEnvironmentIFCRef env(new HostEnvironment(logger));
        ProviderLoader loader(library, env);
        loader.load();
        int rc;
        {
            Dispatcher dispatcher(loader.provider(), env);
            rc = run(dispatcher, args);
        }
        std::fflush(stdout);
        loader.shutdown();
        return rc;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "qvx-inventory: %s\n", e.what());
        return kExitFailed;
    }
}
