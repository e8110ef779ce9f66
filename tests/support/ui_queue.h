#pragma once
// The UI thread of a test: other threads post tasks, the test drains them on its own thread.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace korvane::test {

class UiQueue {
  public:
    void Post(std::function<void()> task) {
        {
            std::lock_guard lock(mutex_);
            tasks_.push_back(std::move(task));
        }
        ready_.notify_all();
    }

    // Runs posted tasks until the condition holds; false when the time ran out first.
    bool RunUntil(const std::function<bool()>& done,
                  std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!done()) {
            std::unique_lock lock(mutex_);
            if (!ready_.wait_until(lock, deadline, [&] { return !tasks_.empty(); })) return false;
            auto task = std::move(tasks_.front());
            tasks_.pop_front();
            lock.unlock();
            task();
        }
        return true;
    }

    std::size_t Pending() {
        std::lock_guard lock(mutex_);
        return tasks_.size();
    }

  private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::function<void()>> tasks_;
};

}  // namespace korvane::test
