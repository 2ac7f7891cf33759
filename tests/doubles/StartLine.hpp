// Holds threads back until all of them have arrived, so that their first
// requests start together.
#ifndef QVX_TESTS_STARTLINE_HPP
#define QVX_TESTS_STARTLINE_HPP

#include <condition_variable>
#include <mutex>

namespace qvx_test {

class StartLine {
public:
    explicit StartLine(int count) : m_waiting(count) {}

    void arriveAndWait() {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (--m_waiting == 0) {
            m_allThere.notify_all();
            return;
        }
        m_allThere.wait(lock, [this] { return m_waiting == 0; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_allThere;
    int m_waiting;
};

}  // namespace qvx_test

#endif
