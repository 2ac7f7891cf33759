// The server's password file: salted hashes, verification, and the faults
// a hand-edited file can have.
#include "CimomError.hpp"
#include "PasswordFile.hpp"
#include "server_test_support.hpp"

#include <gtest/gtest.h>

using namespace qvx_cimom;
using qvx_test::readFile;
using qvx_test::TempDir;
using qvx_test::writeFile;

namespace {

TEST(PasswordHash, IsSaltedYescryptAndChecksOnlyTheRightPassword) {
    std::string a = hashPassword("s3cret");
    std::string b = hashPassword("s3cret");
    EXPECT_EQ(a.compare(0, 3, "$y$"), 0) << a;
    EXPECT_NE(a, b) << "each hash has its own salt";
    EXPECT_TRUE(checkPassword("s3cret", a));
    EXPECT_TRUE(checkPassword("s3cret", b));
    EXPECT_FALSE(checkPassword("s3cret ", a));
    EXPECT_FALSE(checkPassword("", a));
    EXPECT_FALSE(checkPassword("s3cret", "$y$not-a-hash"));
    EXPECT_FALSE(checkPassword("s3cret", ""));
    EXPECT_FALSE(checkPassword(std::string("s3cret\0x", 8), a));
    EXPECT_FALSE(checkPassword(std::string(kMaxPasswordBytes + 1, 'p'), a));
}

TEST(PasswordFile, VerifiesEachUserWithTheirOwnPasswordAndKeepsComments) {
    TempDir dir;
    std::string file = dir.file("passwd");
    writeFile(file, "# users of the lab appliance\n\n");
    PasswordFile::setPassword(file, "alice", "one");
    PasswordFile::setPassword(file, "bob", "two");
    PasswordFile::setPassword(file, "alice", "three");  // replaces
    std::string text = readFile(file);
    EXPECT_EQ(text.compare(0, 31, "# users of the lab appliance\n\na"), 0) << text;
    PasswordFile users = PasswordFile::load(file);
    EXPECT_EQ(users.userCount(), 2u);
    EXPECT_TRUE(users.verify("alice", "three"));
    EXPECT_FALSE(users.verify("alice", "one"));
    EXPECT_TRUE(users.verify("bob", "two"));
    EXPECT_FALSE(users.verify("bob", "three"));
    EXPECT_FALSE(users.verify("carol", "two"));
    EXPECT_FALSE(users.verify("", ""));
}

TEST(PasswordFile, MalformedFilesAreRefusedWithFileAndLine) {
    const std::string hash = hashPassword("x");
    struct Case {
        const char* why;
        std::string text;
        const char* message;
    } cases[] = {
        {"no colon", "alice\n", "passwd:1: expected user:hash"},
        {"empty user", ":" + hash + "\n", "passwd:1: not a valid user name"},
        {"space in the user", "al ice:" + hash + "\n", "passwd:1: not a valid user name"},
        {"plain password", "# c\nalice:secret\n", "passwd:2: the hash of alice is not a salted"},
        {"user twice", "alice:" + hash + "\nalice:" + hash + "\n",
         "passwd:2: user alice is listed twice"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        writeFile(dir.file("passwd"), c.text);
        try {
            PasswordFile::load(dir.file("passwd"));
            ADD_FAILURE() << c.why << ": loaded";
        } catch (const CimomError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos)
                << c.why << ": " << e.what();
        }
    }
    TempDir dir;
    EXPECT_THROW(PasswordFile::load(dir.file("missing")), CimomError);
}

TEST(PasswordFile, UserNamesAndPasswordsWithinBounds) {
    struct Case {
        std::string user;
        bool valid;
    } cases[] = {
        {"alice", true},
        {"ops-team_2", true},
        {std::string(kMaxUserNameBytes, 'u'), true},
        {"", false},
        {std::string(kMaxUserNameBytes + 1, 'u'), false},
        {"a:b", false},
        {"a b", false},
        {"tab\tuser", false},
        {"gr\xc3\xbc\xc3\x9f", false},
    };
    for (const Case& c : cases) EXPECT_EQ(validUserName(c.user), c.valid) << c.user;
    TempDir dir;
    EXPECT_THROW(PasswordFile::setPassword(dir.file("p"), "alice", ""), CimomError);
    EXPECT_THROW(PasswordFile::setPassword(dir.file("p"), "a:b", "x"), CimomError);
}

}  // namespace
