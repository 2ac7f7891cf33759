#include "PasswordFile.hpp"

#include "CimomError.hpp"

#include <crypt.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <vector>

namespace qvx_cimom {

namespace {

// Password files are small; a bigger one is a mistake, not a user list.
constexpr std::size_t kMaxFileBytes = 1024 * 1024;

std::string systemError(const std::string& path, const std::string& what) {
    return path + ": " + what + ": " + std::strerror(errno);
}

bool sameBytes(const std::string& a, const std::string& b) {
    // Constant time over the longer text, so a comparison leaks no prefix length.
    std::size_t n = a.size() > b.size() ? a.size() : b.size();
    unsigned char diff = a.size() == b.size() ? 0 : 1;
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char x = i < a.size() ? a[i] : 0;
        unsigned char y = i < b.size() ? b[i] : 0;
        diff |= x ^ y;
    }
    return diff == 0;
}

std::vector<std::string> readLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw CimomError(systemError(path, "cannot read password file"));
    std::vector<std::string> lines;
    std::string line;
    std::size_t total = 0;
    while (std::getline(in, line)) {
        total += line.size() + 1;
        if (total > kMaxFileBytes) throw CimomError(path + ": password file is over 1 MiB");
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    if (in.bad()) throw CimomError(systemError(path, "cannot read password file"));
    return lines;
}

bool skipped(const std::string& line) {
    return line.empty() || line[0] == '#';
}

}  // namespace

bool validUserName(const std::string& user) {
    if (user.empty() || user.size() > kMaxUserNameBytes) return false;
    for (char c : user) {
        if (c <= ' ' || c > '~' || c == ':') return false;
    }
    return true;
}

std::string hashPassword(const std::string& password) {
    // A null prefix would pick libcrypt's default; ask for yescrypt outright.
    std::unique_ptr<char, void (*)(void*)> setting(crypt_gensalt_ra("$y$", 0, nullptr, 0),
                                                   std::free);
    if (!setting) throw CimomError(std::string("cannot make a salt: ") + std::strerror(errno));
    auto data = std::make_unique<crypt_data>();
    const char* hash = crypt_rn(password.c_str(), setting.get(), data.get(), sizeof *data);
    if (!hash || hash[0] == '*') {
        throw CimomError(std::string("cannot hash the password: ") + std::strerror(errno));
    }
    return hash;
}

bool checkPassword(const std::string& password, const std::string& hash) {
    if (password.size() > kMaxPasswordBytes || password.find('\0') != std::string::npos) {
        return false;
    }
    auto data = std::make_unique<crypt_data>();
    const char* computed = crypt_rn(password.c_str(), hash.c_str(), data.get(), sizeof *data);
    // libcrypt answers a setting it cannot use with null or a text starting
    // with '*', which no stored hash equals.
    if (!computed || computed[0] == '*') return false;
    return sameBytes(computed, hash);
}

PasswordFile::PasswordFile() : m_decoy(hashPassword("decoy")) {}

PasswordFile PasswordFile::load(const std::string& path) {
    PasswordFile file;
    std::vector<std::string> lines = readLines(path);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (skipped(line)) continue;
        std::string where = path + ":" + std::to_string(i + 1) + ": ";
        std::string::size_type colon = line.find(':');
        if (colon == std::string::npos) throw CimomError(where + "expected user:hash");
        std::string user = line.substr(0, colon);
        std::string hash = line.substr(colon + 1);
        if (!validUserName(user)) throw CimomError(where + "not a valid user name");
        if (hash.size() < 2 || hash[0] != '$') {
            throw CimomError(where + "the hash of " + user + " is not a salted crypt hash");
        }
        if (!file.m_hashes.emplace(user, hash).second) {
            throw CimomError(where + "user " + user + " is listed twice");
        }
    }
    return file;
}

bool PasswordFile::verify(const std::string& user, const std::string& password) const {
    auto it = m_hashes.find(user);
    if (it == m_hashes.end()) {
        checkPassword(password, m_decoy);
        return false;
    }
    return checkPassword(password, it->second);
}

void PasswordFile::setPassword(const std::string& path, const std::string& user,
                               const std::string& password) {
    if (!validUserName(user)) {
        throw CimomError("user name must be 1 to " + std::to_string(kMaxUserNameBytes) +
                         " printable characters without ':' or spaces");
    }
    if (password.empty() || password.size() > kMaxPasswordBytes) {
        throw CimomError("password must be 1 to " + std::to_string(kMaxPasswordBytes) + " bytes");
    }
    std::vector<std::string> lines;
    if (access(path.c_str(), F_OK) == 0) {
        // Checks the existing file as the server would read it.
        load(path);
        lines = readLines(path);
    }
    std::string entry = user + ":" + hashPassword(password);
    bool replaced = false;
    for (std::string& line : lines) {
        if (!skipped(line) && line.compare(0, user.size() + 1, user + ":") == 0) {
            line = entry;
            replaced = true;
        }
    }
    if (!replaced) lines.push_back(entry);
    std::string text;
    for (const std::string& line : lines) text += line + "\n";

    std::string temp = path + ".tmp";
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) throw CimomError(systemError(temp, "cannot create"));
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            std::string message = systemError(temp, "cannot write");
            ::close(fd);
            ::unlink(temp.c_str());
            throw CimomError(message);
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        std::string message = systemError(temp, "cannot write");
        ::unlink(temp.c_str());
        throw CimomError(message);
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        std::string message = systemError(path, "cannot replace");
        ::unlink(temp.c_str());
        throw CimomError(message);
    }
}

int passwdCommand(const std::string& file, const std::string& user, std::istream& in,
                  std::ostream& err) {
    std::string password;
    if (!std::getline(in, password)) {
        err << "qvx-cimom passwd: no password on standard input\n";
        return 1;
    }
    if (!password.empty() && password.back() == '\r') password.pop_back();
    try {
        PasswordFile::setPassword(file, user, password);
    } catch (const CimomError& e) {
        err << "qvx-cimom passwd: " << e.what() << "\n";
        return 1;
    }
    return 0;
}

}  // namespace qvx_cimom
