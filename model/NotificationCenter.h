// In-process named notifications, delivered synchronously: post() calls every
// observer registered for the name, on the posting thread, before it returns.
// Notifications carry no object and no user information.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace lendmode {

class NotificationCenter {
public:
    // The program's default centre.
    static NotificationCenter& defaultCenter();

    // Registers `handler` for `name`; `observer` identifies the registration for removal.
    void addObserver(const void* observer, std::string name, std::function<void()> handler);
    // Removes the observer's registrations for one name, or for every name.
    void removeObserver(const void* observer, std::string_view name);
    void removeObserver(const void* observer);

    // Calls every observer of `name`. An observer removed during the post (by itself
    // or by another) is not called afterwards; one added during the post is called
    // from the next post on.
    void post(std::string_view name);

    std::size_t observerCount(std::string_view name) const;

private:
    struct Registration {
        const void* observer;
        std::string name;
        std::function<void()> handler;
        bool removed = false;
    };
    std::vector<std::shared_ptr<Registration>> registrations_;
};

}  // namespace lendmode
