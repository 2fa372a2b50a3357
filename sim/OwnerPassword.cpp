#include "sim/OwnerPassword.h"

#include <crypt.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "base/plist/PlistFile.h"

namespace sim {
namespace {

static_assert(CRYPT_MAX_PASSPHRASE_SIZE == 512, "passwordProblem names the longest password crypt takes");

// crypt's working memory, wiped when done: it holds the password and the state
// derived from it.
class CryptScratch {
public:
    CryptScratch() : data_(std::make_unique<crypt_data>()) {}
    ~CryptScratch() { ::explicit_bzero(data_.get(), sizeof(crypt_data)); }
    CryptScratch(const CryptScratch&) = delete;
    CryptScratch& operator=(const CryptScratch&) = delete;
    crypt_data* get() const { return data_.get(); }

private:
    std::unique_ptr<crypt_data> data_;
};

// crypt reports a failure with no output or with one that starts with '*', which
// no setting does.
bool cryptFailed(const char* output) {
    return output == nullptr || output[0] == '*';
}

// A new setting (method, cost and random salt) for a hash.
std::optional<std::string> newSetting() {
    char setting[CRYPT_GENSALT_OUTPUT_SIZE];
    // yescrypt, else SHA-512 crypt for a libxcrypt built without it; a count of 0
    // takes the method's default cost, and no random bytes given lets libxcrypt take
    // them from the system.
    for (const char* prefix : {"$y$", "$6$"}) {
        if (!cryptFailed(::crypt_gensalt_rn(prefix, 0, nullptr, 0, setting, sizeof setting))) {
            return std::string(setting);
        }
    }
    return std::nullopt;
}

// Compares in a time that does not depend on where the bytes first differ.
bool sameBytes(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    unsigned char difference = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        difference |=
            static_cast<unsigned char>(static_cast<unsigned char>(a[i]) ^ static_cast<unsigned char>(b[i]));
    }
    return difference == 0;
}

}  // namespace

const char* passwordProblem(std::string_view password) {
    if (password.empty()) return "the password is empty";
    if (password.find('\0') != std::string_view::npos) return "the password contains a NUL character";
    if (password.size() >= CRYPT_MAX_PASSPHRASE_SIZE) return "the password is longer than 511 bytes";
    return nullptr;
}

std::optional<std::string> hashPassword(std::string_view password) {
    if (passwordProblem(password) != nullptr) {
        errno = EINVAL;
        return std::nullopt;
    }
    const std::optional<std::string> setting = newSetting();
    if (!setting) return std::nullopt;
    const std::string phrase(password);
    const CryptScratch scratch;
    errno = 0;
    const char* hash = ::crypt_r(phrase.c_str(), setting->c_str(), scratch.get());
    if (cryptFailed(hash)) {
        if (errno == 0) errno = EINVAL;
        return std::nullopt;
    }
    return std::string(hash);
}

bool passwordMatchesHash(std::string_view password, std::string_view hash) {
    // Only the modular formats hashPassword writes: a bare two-character salt would
    // select the old DES method, which a damaged file should not be able to pick.
    if (passwordProblem(password) != nullptr || hash.empty() || hash.front() != '$') return false;
    const std::string phrase(password);
    const std::string setting(hash);
    const CryptScratch scratch;
    const char* computed = ::crypt_r(phrase.c_str(), setting.c_str(), scratch.get());
    return !cryptFailed(computed) && sameBytes(computed, hash);
}

OwnerPassword::OwnerPassword(const SimMac& mac) : mac_(mac), file_(mac.root() + "/system/owner-password") {}

bool OwnerPassword::set(std::string_view password) const {
    const std::optional<std::string> hash = hashPassword(password);
    if (!hash) return false;
    bool written = false;
    int error = 0;
    const bool locked = mac_.withLock([&] {
        // The hash is for its owner only, from the moment it has its name.
        written = plist::writeBytes(file_, *hash + "\n", 0600);
        error = errno;
    });
    if (!locked) return false;
    errno = error;
    return written;
}

bool OwnerPassword::clear() const {
    bool removed = false;
    int error = 0;
    const bool locked = mac_.withLock([&] {
        removed = ::unlink(file_.c_str()) == 0 || errno == ENOENT;
        error = errno;
    });
    if (!locked) return false;
    errno = error;
    return removed;
}

OwnerPassword::Change OwnerPassword::change(std::optional<std::string_view> current,
                                            std::string_view password) const {
    const std::optional<std::string> hash = hashPassword(password);
    if (!hash) return Change::Failed;
    Change outcome = Change::Failed;
    int error = 0;
    const bool locked = mac_.withLock([&] {
        if (isSet() && (!current || matches(*current) != true)) {
            outcome = Change::WrongPassword;
            return;
        }
        if (plist::writeBytes(file_, *hash + "\n", 0600)) outcome = Change::Done;
        error = errno;
    });
    if (!locked) return Change::Failed;
    errno = error;
    return outcome;
}

OwnerPassword::Change OwnerPassword::remove(std::string_view current) const {
    Change outcome = Change::Failed;
    int error = 0;
    const bool locked = mac_.withLock([&] {
        if (isSet() && matches(current) != true) {
            outcome = Change::WrongPassword;
            return;
        }
        if (::unlink(file_.c_str()) == 0 || errno == ENOENT) outcome = Change::Done;
        error = errno;
    });
    if (!locked) return Change::Failed;
    errno = error;
    return outcome;
}

bool OwnerPassword::isSet() const {
    struct stat st {};
    if (::lstat(file_.c_str(), &st) == 0) return true;
    return errno != ENOENT && errno != ENOTDIR;
}

std::optional<bool> OwnerPassword::matches(std::string_view password) const {
    if (!isSet()) return std::nullopt;
    std::optional<std::string> stored = plist::readBytes(file_);
    if (!stored) return false;
    if (!stored->empty() && stored->back() == '\n') stored->pop_back();
    return passwordMatchesHash(password, *stored);
}

}  // namespace sim
