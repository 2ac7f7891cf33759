// The server's users: one "user:hash" line each, the hash a salted yescrypt
// hash from libcrypt ("$y$..."), so the file never holds a password.
#ifndef QVX_CIMOM_PASSWORDFILE_HPP
#define QVX_CIMOM_PASSWORDFILE_HPP

#include <cstddef>
#include <istream>
#include <map>
#include <ostream>
#include <string>

namespace qvx_cimom {

// Longest user name and password accepted; longer ones never match.
constexpr std::size_t kMaxUserNameBytes = 64;
constexpr std::size_t kMaxPasswordBytes = 1024;

// 1..kMaxUserNameBytes printable ASCII characters, no ':' and no space.
bool validUserName(const std::string& user);

// A new salted hash; throws CimomError when libcrypt fails.
std::string hashPassword(const std::string& password);
// Whether password hashes to hash; false for a malformed hash.
bool checkPassword(const std::string& password, const std::string& hash);

class PasswordFile {
public:
    PasswordFile();

    // Throws CimomError naming the file and line for an unreadable file or
    // a malformed line. Blank lines and lines starting with '#' are skipped.
    static PasswordFile load(const std::string& path);

    // Takes as long for an unknown user as for a known one, so the time of
    // an answer does not tell which user names exist.
    bool verify(const std::string& user, const std::string& password) const;
    std::size_t userCount() const { return m_hashes.size(); }

    // Adds the user or replaces their hash, rewriting the file (mode 0600)
    // through a temporary file and a rename. Throws CimomError.
    static void setPassword(const std::string& path, const std::string& user,
                            const std::string& password);

private:
    std::map<std::string, std::string> m_hashes;
    std::string m_decoy;  // checked for unknown users
};

// "qvx-cimom passwd FILE USER": reads the password from the first line of
// in and stores its hash. Returns the exit status; messages go to err.
int passwdCommand(const std::string& file, const std::string& user, std::istream& in,
                  std::ostream& err);

}  // namespace qvx_cimom

#endif
