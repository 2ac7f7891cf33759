// What the class tests share: the platform double reset before the composite
// provider is created, and the checks every class with writable texts meets.
#ifndef QVX_TESTS_PROVIDERTEST_HPP
#define QVX_TESTS_PROVIDERTEST_HPP

#include "InventoryClient.hpp"
#include "PlatformDouble.hpp"

#include <gtest/gtest.h>

#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace qvx_test {

class ProviderTest : public ::testing::Test {
protected:
    PlatformDouble& platform() { return PlatformDouble::instance(); }
    // Log lines added since the given count.
    std::vector<std::string> linesSince(size_t from) const {
        std::vector<std::string> lines = client.logLines();
        return std::vector<std::string>(lines.begin() + static_cast<long>(from), lines.end());
    }

    // Reading the path and writing the change both fail with NOT_FOUND,
    // without a message, thrown in file.
    void expectNotFound(const OpenWBEM::CIMObjectPath& path, const OpenWBEM::CIMInstance& change,
                        const char* file) {
        for (bool modify : {false, true}) {
            auto e = cimErrorOf([&] {
                if (modify)
                    client.modifyInstance(change);
                else
                    client.getInstance(path);
            });
            ASSERT_TRUE(e) << (modify ? "modifyInstance" : "getInstance");
            EXPECT_EQ(OpenWBEM::CIMException::NOT_FOUND, e->getErrNo());
            EXPECT_STREQ("", e->Exception::getMessage());
            EXPECT_STREQ(file, e->getFile());
        }
    }

    // The change fails on the registry's refusal to store property: FAILED
    // with the frame's message and one log line.
    void expectRefusedWrite(const OpenWBEM::CIMInstance& change, const char* property,
                            const char* file) {
        const size_t logged = client.logLines().size();
        auto e = cimErrorOf([&] { client.modifyInstance(change); });
        const std::string m1 =
            "Failed to modify property  " + std::string(change.toString().c_str()) + "." + property;
        ASSERT_TRUE(e);
        EXPECT_EQ(OpenWBEM::CIMException::FAILED, e->getErrNo());
        EXPECT_STREQ((m1 + "#PTM_ERROR_failedModifyProperty#").c_str(), e->Exception::getMessage());
        EXPECT_STREQ(file, e->getFile());
        EXPECT_EQ(std::vector<std::string>{"ERROR: " + m1 + ":  with return code: 0"},
                  linesSince(logged));
    }

    // The change stores stored under entry of provider and under no other
    // entry, stamps the change while it runs, and path reads it back.
    void expectUserTrackingWritten(const OpenWBEM::CIMInstance& change,
                                   const OpenWBEM::CIMObjectPath& path, const char* provider,
                                   const std::string& entry, const std::string& other,
                                   const std::string& stored) {
        const time_t before = time(nullptr);
        client.modifyInstance(change);
        const time_t after = time(nullptr);
        EXPECT_EQ(stored, platform().textEntry(provider, entry));
        EXPECT_FALSE(platform().textEntry(provider, other));
        std::optional<int32_t> stamp = platform().intEntry("QVX_SystemProvider", "LastChangeTime");
        ASSERT_TRUE(stamp);
        EXPECT_GE(*stamp, static_cast<int32_t>(before));
        EXPECT_LE(*stamp, static_cast<int32_t>(after));
        EXPECT_EQ("string " + stored, typedProperty(client.getInstance(path), "UserTracking"));
    }

    // The change writes nothing and logs nothing.
    void expectNothingWritten(const OpenWBEM::CIMInstance& change) {
        client.modifyInstance(change);
        EXPECT_EQ(0u, platform().count("KduSetRegEntryString"));
        EXPECT_EQ(0u, platform().count("KduSetRegEntryInt"));
        EXPECT_TRUE(client.logLines().empty());
    }

    // Reset before the client initializes the provider, so its calls show.
    struct Reset {
        Reset() { PlatformDouble::instance().reset(); }
    } m_reset;
    InventoryClient client;
};

}  // namespace qvx_test

#endif
