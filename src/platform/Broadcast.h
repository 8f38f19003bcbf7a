#pragma once
// Notices that any thread raises and every subscriber hears at once, on the raising thread: a
// listener must not block (waking a waiting thread is what listeners do). A subscription keeps
// its listener registered while it lives; a notice that began before it ended may still call the
// listener once, so what the listener uses must outlive that (shared ownership does).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace zk::platform {

template <class... Args> class Broadcast {
public:
    using Listener = std::function<void(Args...)>;

    class Subscription {
    public:
        Subscription() = default;
        Subscription(Subscription&&) noexcept = default;
        Subscription& operator=(Subscription&&) noexcept = default;
        Subscription(const Subscription&) = delete;
        Subscription& operator=(const Subscription&) = delete;

        void Reset() { token_.reset(); }

    private:
        friend class Broadcast;
        explicit Subscription(std::shared_ptr<void> token) : token_(std::move(token)) {}
        std::shared_ptr<void> token_; // its deleter removes the listener
    };

    [[nodiscard]] Subscription Subscribe(Listener listener) {
        std::lock_guard lock(mutex_);
        const std::uint64_t id = next_++;
        listeners_.emplace(id, std::make_shared<const Listener>(std::move(listener)));
        return Subscription(std::shared_ptr<void>(nullptr, [this, id](void*) { Remove(id); }));
    }

    void Raise(const Args&... args) const {
        std::vector<std::shared_ptr<const Listener>> calls;
        {
            std::lock_guard lock(mutex_);
            calls.reserve(listeners_.size());
            for (const auto& entry : listeners_)
                calls.push_back(entry.second);
        }
        for (const auto& call : calls)
            if (*call)
                (*call)(args...);
    }

private:
    void Remove(std::uint64_t id) {
        std::lock_guard lock(mutex_);
        listeners_.erase(id);
    }

    mutable std::mutex mutex_;
    std::uint64_t next_ = 1;
    std::map<std::uint64_t, std::shared_ptr<const Listener>> listeners_;
};

} // namespace zk::platform
