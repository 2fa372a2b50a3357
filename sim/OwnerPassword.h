// The simulated owner's password (`lendmode-sim password`), which the owner lock asks
// for on the simulated Mac. It is kept in system/owner-password as a salted hash made
// by libxcrypt (yescrypt, or SHA-512 crypt where yescrypt is not built in), never as
// the password itself: the file holds the crypt string and a line feed, readable by
// its owner only.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "sim/SimMac.h"

namespace sim {

class OwnerPassword {
public:
    explicit OwnerPassword(const SimMac& mac);

    const std::string& file() const { return file_; }

    // Hashes the password and stores the hash (under the Mac's lock, written
    // atomically), replacing any earlier one. False, with errno set, when the password
    // is refused (EINVAL: see passwordProblem), no hash could be made, or the file could
    // not be written; the earlier password then stays.
    [[nodiscard]] bool set(std::string_view password) const;
    // Removes the password. True also when none was set; false, with errno set, when
    // it could not be removed.
    [[nodiscard]] bool clear() const;

    // What a change that names the current password came to.
    enum class Change {
        Done,
        WrongPassword,  // a password is set and `current` is not it: nothing changed
        Failed,         // as set or clear fail, errno saying why: nothing changed
    };
    // Sets `password` when no password is set, or when `current` is the one set.
    // Checked and written under the Mac's lock, so that a password set meanwhile is
    // not replaced by a caller that saw none (nullopt: "none is set").
    [[nodiscard]] Change change(std::optional<std::string_view> current, std::string_view password) const;
    // Removes the password when `current` is the one set (Done also when none is set).
    [[nodiscard]] Change remove(std::string_view current) const;
    // Whether a password is set. A file that exists but cannot be examined counts as
    // set, so that a damaged store keeps the lock closed rather than open.
    bool isSet() const;
    // Whether the password is the stored one; nullopt when none is set. A stored hash
    // that cannot be read or checked matches nothing.
    std::optional<bool> matches(std::string_view password) const;

private:
    SimMac mac_;
    std::string file_;
};

// Why a password cannot be used ("the password is empty", ...), or nullptr when it can.
const char* passwordProblem(std::string_view password);

// A salted hash of the password in crypt's format ("$y$..." or "$6$..."), or nullopt
// with errno set (EINVAL for a password passwordProblem refuses).
std::optional<std::string> hashPassword(std::string_view password);
// Whether the password hashes to `hash` with the hash's own method and salt.
bool passwordMatchesHash(std::string_view password, std::string_view hash);

}  // namespace sim
