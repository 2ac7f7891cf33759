// The server's password file: salted hashes, verification, and the faults
// a hand-edited file can have.
#include "CimomError.hpp"
#include "PasswordFile.hpp"
#include "server_test_support.hpp"

#include <gtest/gtest.h>

using namespace qvx_cimom;
using qvx_test::TempDir;
using qvx_test::writeFile;

namespace {

TEST(PasswordHash, IsSaltedYescryptAndChecksOnlyTheRightPassword) {
    std::string a = hashPassword("s3cret"), b = hashPassword("s3cret");
    EXPECT_EQ(a.compare(0, 3, "$y$"), 0) << a;
    EXPECT_NE(a, b) << "each hash has its own salt";
    EXPECT_TRUE(checkPassword("s3cret", b));
    EXPECT_FALSE(checkPassword("s3cret ", a));
    EXPECT_FALSE(checkPassword("s3cret", "$y$not-a-hash"));
    EXPECT_FALSE(checkPassword(std::string("s3cret\0x", 8), a));
    // The longest password libcrypt can hash.
    const std::string longest(kMaxPasswordBytes, 'p');
    EXPECT_TRUE(checkPassword(longest, hashPassword(longest)));
}

// Users added and replaced in place below the file's comments.
TEST(PasswordFile, VerifiesEachUserWithTheirOwnPassword) {
    TempDir dir;
    std::string file = dir.file("passwd");
    writeFile(file, "# users of the lab appliance\n\n");
    PasswordFile::setPassword(file, "alice", "one");
    PasswordFile::setPassword(file, "bob", "two");
    PasswordFile::setPassword(file, "alice", "three");
    EXPECT_EQ(0u, qvx_test::readFile(file).rfind("# users of the lab appliance\n\nalice:", 0));
    PasswordFile users = PasswordFile::load(file);
    EXPECT_EQ(users.userCount(), 2u);
    EXPECT_TRUE(users.verify("alice", "three"));
    EXPECT_FALSE(users.verify("alice", "one"));
    EXPECT_TRUE(users.verify("bob", "two"));
    EXPECT_FALSE(users.verify("carol", "two"));  // checked against a decoy
    EXPECT_THROW(PasswordFile::setPassword(file, "alice", ""), CimomError);
}

TEST(PasswordFile, MalformedFilesAreRefusedWithFileAndLine) {
    const std::string hash = hashPassword("x");
    const std::string cases[][2] = {
        {"alice\n", "passwd:1: expected user:hash"},
        {"al ice:" + hash + "\n", "passwd:1: not a valid user name"},
        {"# c\nalice:secret\n", "passwd:2: the hash of alice is not a salted"},
        {"alice:" + hash + "\nalice:" + hash + "\n", "passwd:2: user alice is listed twice"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        writeFile(dir.file("passwd"), c[0]);
        try {
            PasswordFile::load(dir.file("passwd"));
            ADD_FAILURE() << c[0] << ": loaded";
        } catch (const CimomError& e) {
            EXPECT_NE(std::string(e.what()).find(c[1]), std::string::npos) << e.what();
        }
    }
}

TEST(PasswordFile, UserNamesWithinBounds) {
    for (const std::string& user : {std::string("ops-team_2"), std::string(kMaxUserNameBytes, 'u')})
        EXPECT_TRUE(validUserName(user)) << user;
    for (const std::string& user : {std::string(), std::string(kMaxUserNameBytes + 1, 'u'),
                                    std::string("a:b"), std::string("gr\xc3\xbc\xc3\x9f")})
        EXPECT_FALSE(validUserName(user)) << user;
}

}  // namespace
