// The stand-in libraries used concurrently: libosa read while the appliance
// file is replaced, and the registry written from threads in processes.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/SblimUtilities.h"
#include "platform/osa.h"
#include "sim_test_support.h"

namespace {

TEST(SimulatorConcurrency, OsaReadersSeeOneWholeVersionWhileTheFileIsReplaced) {
    qvxsim_test::TempDir dir;
    const std::string file = dir.file("appliance.yaml");
    qvxsim_test::setEnv("QVX_SIM_APPLIANCE", file);
    const std::string versions[] = {"serial_number: AAAA\nexpansion_chassis: [{present: 1}, {}]\n",
                                    "serial_number: BBBB\nexpansion_chassis: [{present: 0}, {}]\n"};
    qvxsim_test::writeFile(file, versions[0], true);
    std::atomic<bool> stop{false};
    std::atomic<long> calls{0}, bad{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 4; ++t) {
        readers.emplace_back([&] {
            for (char buf[8]; !stop.load(); ++calls) {
                uint8_t present = 2;
                const bool ok =
                    osGetSerialNumber(buf, sizeof buf) == 0 && osIsChasisPresent(0, &present) == 0;
                bad += !ok || present > 1 || (std::strcmp(buf, "AAAA") && std::strcmp(buf, "BBBB"));
            }
        });
    }
    for (int i = 0; i < 200; ++i) {
        qvxsim_test::writeFile(file, versions[(i + 1) % 2], true);
        // Let the readers see each version before the next replacement.
        for (const long seen = calls.load(); calls.load() < seen + 8;) std::this_thread::yield();
    }
    stop = true;
    for (std::thread& t : readers) t.join();
    EXPECT_EQ(bad.load(), 0);
}

// Every writer writes its own keys as texts and one key all share as an
// integer, which must end up holding one writer's complete value. The
// parent has a connection open when it forks; each child must use its own.
TEST(SimulatorConcurrency, RegistryWritersInProcessesAndThreadsLoseNothing) {
    qvxsim_test::TempDir dir;
    qvxsim_test::setEnv("QVX_SIM_REGISTRY", dir.file("registry.sqlite"));
    constexpr int kProcesses = 3, kThreads = 2, kEntries = 30;
    auto get = [](const std::string& property) {
        char buf[64] = "";
        const int32_t rc = KduGetRegEntryString("S", "P", property.c_str(), buf, sizeof buf);
        return std::to_string(rc) + " " + buf;
    };
    ASSERT_EQ(KduSetRegEntryString("S", "P", "created", "before forking"), 0);
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        children.push_back(::fork());
        ASSERT_GE(children.back(), 0);
        if (children.back() > 0) continue;
        std::atomic<int> failures{0};
        std::vector<std::thread> threads;
        for (int w = p * kThreads; w < (p + 1) * kThreads; ++w) {
            threads.emplace_back([&failures, w] {
                for (int i = w * 1000; i < w * 1000 + kEntries; ++i) {
                    const std::string value = std::to_string(i);
                    failures +=
                        KduSetRegEntryString("S", "P", ("E" + value).c_str(), value.c_str()) != 0;
                    failures += KduSetRegEntryInt("S", "P", "shared", i) != 0;
                }
            });
        }
        for (std::thread& t : threads) t.join();
        ::_exit(failures.load() == 0 ? 0 : 1);
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child " << child;
    }
    for (int n = 0; n < kProcesses * kThreads * kEntries; ++n) {
        const std::string i = std::to_string(n / kEntries * 1000 + n % kEntries);
        EXPECT_EQ(get("E" + i), "0 " + i);
    }
    // Whoever wrote the shared key last also wrote its own key with that value.
    const std::string shared = get("shared");
    EXPECT_EQ(get("E" + shared.substr(2)), shared);
}

}  // namespace
