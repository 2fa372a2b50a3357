#include "model/NotificationCenter.h"

#include <algorithm>

namespace lendmode {

NotificationCenter& NotificationCenter::defaultCenter() {
    static NotificationCenter center;
    return center;
}

void NotificationCenter::addObserver(const void* observer, std::string name, std::function<void()> handler) {
    registrations_.push_back(
        std::make_shared<Registration>(Registration{observer, std::move(name), std::move(handler)}));
}

void NotificationCenter::removeObserver(const void* observer, std::string_view name) {
    std::erase_if(registrations_, [&](const std::shared_ptr<Registration>& r) {
        if (r->observer != observer || r->name != name) return false;
        r->removed = true;
        return true;
    });
}

void NotificationCenter::removeObserver(const void* observer) {
    std::erase_if(registrations_, [&](const std::shared_ptr<Registration>& r) {
        if (r->observer != observer) return false;
        r->removed = true;
        return true;
    });
}

void NotificationCenter::post(std::string_view name) {
    // Work on a snapshot that shares the registrations: removals during the post mark
    // them, so a removed observer is skipped and its handler stays alive while it runs.
    std::vector<std::shared_ptr<Registration>> snapshot;
    for (const auto& r : registrations_) {
        if (r->name == name) snapshot.push_back(r);
    }
    for (const auto& r : snapshot) {
        if (r->removed) continue;
        const std::function<void()> handler = r->handler;  // survives a removal inside the call
        handler();
    }
}

std::size_t NotificationCenter::observerCount(std::string_view name) const {
    return static_cast<std::size_t>(std::count_if(registrations_.begin(), registrations_.end(),
                                                  [&](const auto& r) { return r->name == name; }));
}

}  // namespace lendmode
