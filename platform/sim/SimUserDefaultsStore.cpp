#include "platform/sim/SimUserDefaultsStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <utility>

#include "base/plist/PlistFile.h"

namespace platform::simulated {
namespace {

enum class FileState { Missing, Unreadable, Read };

FileState readBytes(const std::string& path, std::string& bytes) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return errno == ENOENT ? FileState::Missing : FileState::Unreadable;
    if (!S_ISREG(st.st_mode)) return FileState::Unreadable;
    auto read = plist::readBytes(path);
    if (!read) return FileState::Unreadable;
    bytes = std::move(*read);
    return FileState::Read;
}

// "<file>.damaged-20261207-102501": beside the store, named for what it is and when
// it was found.
std::string damagedName(const std::string& file) {
    char when[32] = {};
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    std::strftime(when, sizeof when, "%Y%m%d-%H%M%S", &local);
    std::string name = file + ".damaged-" + when;
    struct stat st {};
    for (int n = 2; ::stat(name.c_str(), &st) == 0; ++n)
        name = file + ".damaged-" + when + "-" + std::to_string(n);
    return name;
}

// How many values a value holds, itself included.
std::size_t weight(const plist::Value& value) {
    std::size_t n = 1;
    if (const auto* items = value.asArray()) {
        for (const plist::Value& item : *items) n += weight(item);
    } else if (const auto* entries = value.asDictionary()) {
        for (const auto& [key, item] : *entries) n += 1 + weight(item);
    }
    return n;
}

}  // namespace

SimUserDefaultsStore::SimUserDefaultsStore(std::shared_ptr<const sim::SimMac> mac, const std::string& domain)
    : mac_(std::move(mac)), file_(mac_->domainFile(domain, false)) {}

SimUserDefaultsStore::Stamp SimUserDefaultsStore::currentStamp() const {
    struct stat st {};
    if (::stat(file_.c_str(), &st) != 0) return Stamp{};
    const auto nanoseconds = [](const timespec& t) {
        return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
    };
    return Stamp{st.st_ino, st.st_size, nanoseconds(st.st_mtim), nanoseconds(st.st_ctim)};
}

bool SimUserDefaultsStore::refresh() {
    const Stamp now = currentStamp();
    if (now == stamp_) return readable_;
    std::string bytes;
    const FileState state = readBytes(file_, bytes);
    readable_ = state != FileState::Unreadable;
    std::optional<plist::Value> parsed;
    if (state == FileState::Read) parsed = plist::parse(bytes);
    if (state == FileState::Read && !(parsed && parsed->isDictionary())) {
        // Damaged: kept for the owner to look at, never overwritten.
        const std::string aside = damagedName(file_);
        if (std::rename(file_.c_str(), aside.c_str()) == 0) {
            movedAside_ = aside;
        } else {
            readable_ = false;  // cannot be moved: leave it alone and change nothing
        }
        parsed.reset();
    }
    cache_ = parsed ? std::move(*parsed) : plist::Value(plist::Dictionary{});
    (void)std::exchange(kept_, plist::EncodedEntry{});  // its buffers freed, not kept for reuse
    keptWeight_ = 0;
    keptDropped_ = false;
    keptLength_ = keptCount_ = 0;
    stamp_ = currentStamp();
    return readable_;
}

std::optional<plist::Value> SimUserDefaultsStore::read(const std::string& key) {
    if (currentStamp() != stamp_) {
        // Under the lock, so that a damaged file is judged and moved aside once.
        bool ran = false;
        (void)mac_->withLock([&] {
            ran = true;
            refresh();
        });
        if (!ran) refresh();
    }
    if (keptDropped_ && key == kept_.key) {
        // Not kept decoded: read back from the file, which is as this store left it.
        return storedValue(key);
    }
    const plist::Value* value = cache_.find(key);
    if (!value) return std::nullopt;
    return *value;
}

std::optional<std::string> SimUserDefaultsStore::takeMovedAsideDamagedStore() {
    (void)read("");  // judges the file if nothing has read it yet
    return std::exchange(movedAside_, std::nullopt);
}

bool SimUserDefaultsStore::change(const Changes& changes) {
    bool ok = false;
    (void)mac_->withLock([&] {
        if (!refresh()) return;
        if (turnRootBooleanInFile(changes)) {
            ok = true;
            return;
        }
        if (!loadKeptBytes()) return;
        const struct Release {
            SimUserDefaultsStore& store;
            ~Release() { store.releaseKeptBytes(); }
        } release{*this};
        if (turnBooleansInFile(changes)) {
            ok = true;
            return;
        }
        plist::Dictionary& contents = *cache_.asDictionary();
        const bool wasDropped = keptDropped_;
        bool keptChanged = false;
        bool outgrown = false;  // another value is now larger than the kept one
        const plist::Value* keptNew = nullptr;
        for (const auto& [key, value] : changes) {
            if (key == kept_.key) {
                keptChanged = true;
                keptNew = value;
            } else {
                outgrown = outgrown || (value && weight(*value) > keptWeight_);
            }
        }
        // A kept value that changed in booleans only (an application ticked) is
        // updated in its encoding rather than encoded again.
        std::optional<std::vector<std::size_t>> flips;
        if (keptNew && !outgrown && !kept_.bytes.empty()) flips = plist::booleansToTurn(kept_, *keptNew);
        const bool patched = flips.has_value();

        // The value kept encoded: the same as before while it is unchanged and still
        // the largest, else the largest after the change, taken straight from the
        // caller when it is new.
        const bool reuse = (!keptChanged || patched) && !outgrown && !kept_.bytes.empty();
        // Taken rather than copied: the bytes were read for this change alone.
        plist::EncodedEntry kept = reuse ? std::move(kept_) : plist::EncodedEntry{};
        if (patched) plist::turnBooleans(kept, *flips);
        const plist::Value* incoming = patched ? keptNew : nullptr;
        std::size_t most = keptWeight_;
        bool restoredOldKept = false;
        if (!reuse && keptDropped_ && !keptChanged) {
            // A larger value takes its place: the one kept until now becomes an ordinary
            // value again, read back from the file (current: refresh() saw to it).
            auto value = storedValue(kept_.key);
            if (!value) return;  // cannot be written without it
            contents.insert_or_assign(kept_.key, std::move(*value));
            keptDropped_ = false;
            restoredOldKept = true;
        }
        if (!reuse) {
            most = 0;
            for (const auto& [key, value] : contents) {
                const std::string& name = key;
                const bool changed = std::any_of(changes.begin(), changes.end(),
                                                 [&name](const auto& c) { return c.first == name; });
                const std::size_t w = changed ? 0 : weight(value);
                if (w > most) {
                    most = w;
                    kept.key = key;
                }
            }
            for (const auto& [key, value] : changes) {
                const std::size_t w = value ? weight(*value) : 0;
                if (w > most) {
                    most = w;
                    kept.key = key;
                    incoming = value;
                }
            }
        }

        // Edited in place; the values replaced are kept aside until the file is written.
        std::vector<std::pair<std::string, std::optional<plist::Value>>> previous;
        for (const auto& [key, value] : changes) {
            auto it = contents.find(key);
            previous.emplace_back(key, it == contents.end()
                                           ? std::nullopt
                                           : std::optional<plist::Value>(std::move(it->second)));
            if (!value) {
                contents.erase(key);
            } else {
                // The kept value's entry is a placeholder: it is encoded from the caller's.
                contents.insert_or_assign(key, value == incoming ? plist::Value() : *value);
            }
        }
        if (keptChanged) keptDropped_ = false;

        std::optional<std::string> bytes = plist::serializeBinary(cache_, kept, incoming);
        if (!bytes) {
            // The file now needs wider references than the kept value was encoded with.
            if (keptDropped_) {
                if (auto value = storedValue(kept.key)) {  // the file is current: refresh() saw to it
                    contents.insert_or_assign(kept.key, std::move(*value));
                    keptDropped_ = false;
                }
            }
            if (!keptDropped_) {
                kept.bytes.clear();
                bytes = plist::serializeBinary(cache_, kept, incoming);
            }
        }
        const auto slash = file_.rfind('/');
        if (bytes && sim::makeDirectories(file_.substr(0, slash)) && plist::writeBytes(file_, *bytes)) {
            kept_ = std::move(kept);
            keptWeight_ = kept_.bytes.empty() ? 0 : most;
            keptDropped_ = keptDropped_ || (incoming && !kept_.bytes.empty());
            keepLargestEncoded();
            stamp_ = currentStamp();
            ok = true;
            return;
        }
        // The kept encoding was taken, and may have been changed or encoded anew: the
        // file, as it was, is read again at the next use.
        if (reuse) stamp_ = Stamp{};
        // Put back what was there, the last change undone first.
        for (auto it = previous.rbegin(); it != previous.rend(); ++it) {
            if (it->second) {
                contents.insert_or_assign(it->first, std::move(*it->second));
            } else {
                contents.erase(it->first);
            }
        }
        keptDropped_ = wasDropped && !restoredOldKept;
    });
    return ok;
}

namespace {

// Reads `length` bytes at `at`; false when the file has fewer.
bool readAt(int fd, char* into, std::size_t length, std::uint64_t at) {
    std::size_t done = 0;
    while (done < length) {
        const ssize_t n = ::pread(fd, into + done, length - done, static_cast<off_t>(at + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Each byte written at its place in the file, then the file flushed to disk; false
// when any of that failed.
bool writeInPlace(const std::string& file, const std::vector<std::pair<std::uint64_t, char>>& bytes) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool written = true;
    for (const auto& [at, byte] : bytes)
        written = written && ::pwrite(fd, &byte, 1, static_cast<off_t>(at)) == 1;
    written = written && ::fsync(fd) == 0;
    ::close(fd);
    return written;
}

std::uint64_t bigEndian(const char* bytes, std::size_t width) {
    std::uint64_t n = 0;
    for (std::size_t i = 0; i < width; ++i) n = n << 8 | static_cast<std::uint8_t>(bytes[i]);
    return n;
}

}  // namespace

bool SimUserDefaultsStore::loadKeptBytes() {
    if (keptLength_ == 0) return true;
    const int fd = ::open(file_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    // The kept objects are objects 1 to n of the file: their bytes where they were
    // placed, and their offsets from the file's offset table (as the trailer gives it).
    std::string bytes(keptLength_, '\0');
    std::array<char, 32> trailer{};
    bool ok = readAt(fd, bytes.data(), bytes.size(), kept_.placedAt) &&
              readAt(fd, trailer.data(), trailer.size(), static_cast<std::uint64_t>(stamp_.size) - 32);
    const std::size_t width = static_cast<std::uint8_t>(trailer[6]);
    const std::uint64_t table = bigEndian(trailer.data() + 24, 8);
    std::string entries(keptCount_ * width, '\0');
    ok = ok && width >= 1 && width <= 8 && readAt(fd, entries.data(), entries.size(), table + width);
    ::close(fd);
    if (!ok) return false;
    std::vector<std::uint32_t> offsets(keptCount_);
    for (std::size_t i = 0; i < keptCount_; ++i) {
        const std::uint64_t at = bigEndian(entries.data() + i * width, width);
        if (at < kept_.placedAt || at - kept_.placedAt >= bytes.size()) return false;
        offsets[i] = static_cast<std::uint32_t>(at - kept_.placedAt);
    }
    kept_.bytes = std::move(bytes);
    kept_.offsets = std::move(offsets);
    keptLength_ = keptCount_ = 0;
    return true;
}

void SimUserDefaultsStore::releaseKeptBytes() {
    if (kept_.bytes.empty()) return;
    keptLength_ = kept_.bytes.size();
    keptCount_ = kept_.offsets.size();
    // Freed: an assignment would keep the buffers.
    std::string().swap(kept_.bytes);
    std::vector<std::uint32_t>().swap(kept_.offsets);
}

std::optional<plist::Value> SimUserDefaultsStore::storedValue(const std::string& key) const {
    auto stored = plist::readFile(file_);
    plist::Value* value = stored ? stored->find(key) : nullptr;
    if (!value) return std::nullopt;
    return std::move(*value);
}

bool SimUserDefaultsStore::turnBooleansInFile(const Changes& changes) {
    if (changes.size() != 1 || changes[0].first != kept_.key || !changes[0].second || !keptDropped_)
        return false;
    const auto positions = plist::booleansToTurn(kept_, *changes[0].second);
    if (!positions) return false;
    std::vector<std::pair<std::uint64_t, char>> bytes;
    for (std::size_t at : *positions) bytes.emplace_back(kept_.placedAt + at, plist::turned(kept_.bytes[at]));
    // Some of them may be turned: the file is whole either way, and the caller writes
    // it anew.
    if (!bytes.empty() && !writeInPlace(file_, bytes)) return false;
    plist::turnBooleans(kept_, *positions);
    stamp_ = currentStamp();
    return true;
}

bool SimUserDefaultsStore::turnRootBooleanInFile(const Changes& changes) {
    if (changes.size() != 1 || !changes[0].second || !changes[0].second->isBoolean()) return false;
    const std::string& key = changes[0].first;
    const plist::Value* value = changes[0].second;
    const auto place = std::find_if(kept_.booleansAt.begin(), kept_.booleansAt.end(),
                                    [&key](const auto& at) { return at.first == key; });
    plist::Value* current = cache_.find(key);
    if (place == kept_.booleansAt.end() || !current || !current->isBoolean()) return false;
    if (current->boolean() != value->boolean()) {
        // The byte is as it was or as it is now: on failure the caller writes anew.
        if (!writeInPlace(file_, {{place->second, value->boolean() ? '\x09' : '\x08'}})) return false;
        stamp_ = currentStamp();
    }
    *current = *value;
    return true;
}

void SimUserDefaultsStore::keepLargestEncoded() {
    if (kept_.bytes.empty() || keptDropped_) return;
    auto it = cache_.asDictionary()->find(kept_.key);
    if (it == cache_.asDictionary()->end()) return;
    it->second = plist::Value();  // stands in for it; read() goes to the file
    keptDropped_ = true;
}

bool SimUserDefaultsStore::canStore() {
    // A page made, flushed and removed beside the store: a full disk or a folder that
    // takes no new files refuses it, as it would refuse any file written anew.
    const std::string folder = file_.substr(0, file_.rfind('/'));
    if (!sim::makeDirectories(folder)) return false;
    std::string name = folder + "/.lendmode-room-XXXXXX";
    const int fd = ::mkstemp(name.data());
    if (fd < 0) return false;
    const std::string page(4096, '\0');
    const bool ok =
        ::write(fd, page.data(), page.size()) == static_cast<ssize_t>(page.size()) && ::fsync(fd) == 0;
    ::close(fd);
    ::unlink(name.c_str());
    return ok;
}

bool SimUserDefaultsStore::write(const std::string& key, const plist::Value& value) {
    return change({{key, &value}});
}

bool SimUserDefaultsStore::writeAll(const plist::Dictionary& values) {
    Changes changes;
    for (const auto& [key, value] : values) changes.emplace_back(key, &value);
    return change(changes);
}

bool SimUserDefaultsStore::remove(const std::string& key) {
    return change({{key, nullptr}});
}

}  // namespace platform::simulated
