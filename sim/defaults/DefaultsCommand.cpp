#include "sim/defaults/DefaultsCommand.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <limits>
#include <optional>
#include <string_view>
#include <utility>

#include "base/AppleEpoch.h"
#include "base/Utf8.h"
#include "base/plist/PlistFile.h"
#include "sim/defaults/PlistText.h"

namespace sim {
namespace {

constexpr const char* kUsage =
    "Command line interface to a user's defaults.\n"
    "Syntax:\n"
    "\n"
    "'defaults' [-currentHost] followed by one of the following:\n"
    "\n"
    "  read                                 shows all defaults\n"
    "  read <domain>                        shows defaults for given domain\n"
    "  read <domain> <key>                  shows defaults for given domain, key\n"
    "  read-type <domain> <key>             shows the type for the given domain, key\n"
    "  write <domain> <key> <value>         writes a string for domain, key\n"
    "  write <domain> <key> <type> <value>  writes a typed value for domain, key\n"
    "  delete <domain>                      deletes domain\n"
    "  delete <domain> <key>                deletes given key in domain\n"
    "  domains                              lists all domains\n"
    "  help                                 shows this text\n"
    "\n"
    "<domain> is a domain name (com.apple.dock), -g, -globalDomain or NSGlobalDomain,\n"
    "or the path of a property-list file, with or without .plist.\n"
    "\n"
    "<type> is one of:\n"
    "  -string <string_value>\n"
    "  -int[eger] <integer_value>\n"
    "  -float <floating-point_value>\n"
    "  -bool[ean] (true | false | yes | no | 1 | 0)\n"
    "  -date \"YYYY-MM-DD HH:MM:SS +0000\"\n"
    "  -data <hexadecimal_digits>\n"
    "  -array <value1> <value2> ...\n"
    "  -array-add <value1> <value2> ...\n"
    "  -dict <key1> <value1> <key2> <value2> ...\n"
    "  -dict-add <key1> <value1> ...\n"
    "Array items and dictionary values are strings unless preceded by a scalar <type>.\n";

constexpr const char* kNotChanged = "Defaults have not been changed.";

// ---- Messages ----

// The system log's line head: local time with milliseconds, process and thread.
std::string logPrefix() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    ::localtime_r(&now.tv_sec, &local);
    char buf[128];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03ld defaults[%ld:%lx] ",
                  local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                  local.tm_sec, now.tv_nsec / 1000000, static_cast<long>(::getpid()),
                  static_cast<unsigned long>(::gettid()));
    return buf;
}

// A log-style diagnostic: the prefix line, then the message on lines of its own.
int fail(std::string& err, std::string_view message) {
    err += logPrefix();
    err += '\n';
    err += message;
    err += '\n';
    return 1;
}

int usageError(std::string& err, std::string_view problem) {
    err += "defaults: ";
    err += problem;
    err += "\n\n";
    err += kUsage;
    return 1;
}

// ---- Domains ----

bool endsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

// How messages name a domain: the global domain by its CoreFoundation name, a path
// without ".plist".
std::string displayName(std::string_view domain) {
    DomainName name = domainName(domain);
    return name.kind == DomainName::Kind::Global ? "kCFPreferencesAnyApplication" : std::move(name.stem);
}

std::string parentDirectory(const std::string& file) {
    const auto slash = file.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return file.substr(0, slash);
}

bool isDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Whether a write may replace the file: it is absent, empty, or a dictionary we can
// read. Anything else (a damaged file, a folder, a list) is kept as it is.
bool replaceable(const std::string& file) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) return errno == ENOENT;
    if (S_ISREG(st.st_mode) && st.st_size == 0) return true;
    return plist::readDictionaryFile(file).has_value();
}

// The domains stored in a folder: file names ending in suffix, without it.
std::vector<std::string> domainsIn(const std::string& directory, const std::string& suffix) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(directory.c_str());
    if (!dir) return names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name.size() <= suffix.size() || !endsWith(name, suffix)) continue;
        names.emplace_back(name.substr(0, name.size() - suffix.size()));
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

// ---- Values from the command line ----

enum class Scalar { String, Integer, Real, Boolean, Date, Data };

std::optional<Scalar> scalarFlag(std::string_view flag) {
    if (flag == "-string") return Scalar::String;
    if (flag == "-int" || flag == "-integer") return Scalar::Integer;
    if (flag == "-float") return Scalar::Real;
    if (flag == "-bool" || flag == "-boolean") return Scalar::Boolean;
    if (flag == "-date") return Scalar::Date;
    if (flag == "-data") return Scalar::Data;
    return std::nullopt;
}

bool isContainerFlag(std::string_view flag) {
    return flag == "-array" || flag == "-array-add" || flag == "-dict" || flag == "-dict-add";
}

std::string lowercase(std::string_view text) {
    std::string s(text);
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Dates are stored as whole seconds from 2001-01-01 in a signed 32-bit field.
constexpr double kEarliestDate = lendmode::kAppleEpochOffset - 2147483648.0;
constexpr double kLatestDate = lendmode::kAppleEpochOffset + 2147483647.0;

// Reads one value of the given type; on failure says why in error.
std::optional<plist::Value> parseScalar(Scalar type, const std::string& text, std::string& error) {
    const std::string shown = "\"" + text + "\"";
    switch (type) {
        case Scalar::String:
            if (!lendmode::isValidUtf8(text)) break;
            return plist::Value(text);
        case Scalar::Integer: {
            std::string_view digits = text;
            if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
            std::int64_t n = 0;
            const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
            if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() ||
                (text.front() == '+' && digits.front() == '-')) {
                error = "Cannot read " + shown +
                        " as an integer (-int): expected a whole number such as 42 or -3";
                return std::nullopt;
            }
            return plist::Value(static_cast<long long>(n));
        }
        case Scalar::Real: {
            std::string_view number = text;
            if (!number.empty() && number.front() == '+') number.remove_prefix(1);
            double d = 0;
            const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), d);
            const bool onlyDecimal = number.find_first_not_of("0123456789.eE+-") == std::string_view::npos;
            // Stored in 4 bytes, as macOS stores it; a number too large for them is refused.
            const bool fits = std::fabs(d) <= std::numeric_limits<float>::max();
            if (number.empty() || !onlyDecimal || ec != std::errc() || end != number.data() + number.size() ||
                !fits || (text.front() == '+' && number.front() == '-')) {
                error =
                    "Cannot read " + shown + " as a number (-float): expected a decimal number such as 0.5";
                return std::nullopt;
            }
            return plist::Value::singleReal(static_cast<float>(d));
        }
        case Scalar::Boolean: {
            const std::string word = lowercase(text);
            if (word == "true" || word == "yes" || word == "1") return plist::Value(true);
            if (word == "false" || word == "no" || word == "0") return plist::Value(false);
            error = "Cannot read " + shown + " as a boolean (-bool): expected true, false, yes, no, 1 or 0";
            return std::nullopt;
        }
        case Scalar::Date: {
            const auto date = parseDate(text);
            if (!date) {
                error = "Cannot read " + shown + " as a date (-date): expected \"YYYY-MM-DD HH:MM:SS +0000\"";
                return std::nullopt;
            }
            if (date->secondsSince1970 < kEarliestDate || date->secondsSince1970 > kLatestDate) {
                error = "Cannot store the date " + shown + ": dates must lie between " +
                        formatDate({kEarliestDate}) + " and " + formatDate({kLatestDate});
                return std::nullopt;
            }
            return plist::Value(*date);
        }
        case Scalar::Data: {
            std::string_view hex = text;
            if (hex.size() >= 2 && hex[0] == '0' && (hex[1] == 'x' || hex[1] == 'X')) hex.remove_prefix(2);
            plist::Data bytes;
            bool ok = hex.size() % 2 == 0;
            for (std::size_t i = 0; ok && i < hex.size(); i += 2) {
                const int hi = hexValue(hex[i]), lo = hexValue(hex[i + 1]);
                ok = hi >= 0 && lo >= 0;
                if (ok) bytes.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
            }
            if (!ok) {
                error = "Cannot read " + shown + " as data (-data): expected pairs of hexadecimal digits";
                return std::nullopt;
            }
            return plist::Value(std::move(bytes));
        }
    }
    error = "Cannot use " + shown + ": it is not valid UTF-8 text";
    return std::nullopt;
}

// One array item or dictionary value at args[i]: a plain string, or a scalar flag and
// its text. Advances i past what it used.
std::optional<plist::Value> parseElement(const std::vector<std::string>& args, std::size_t& i,
                                         std::string& error) {
    const std::string& first = args[i];
    if (const auto type = scalarFlag(first)) {
        if (i + 1 >= args.size()) {
            error = first + " needs a value after it";
            return std::nullopt;
        }
        i += 2;
        return parseScalar(*type, args[i - 1], error);
    }
    if (isContainerFlag(first)) {
        error = "Arrays and dictionaries cannot be nested on the command line (" + first + ")";
        return std::nullopt;
    }
    ++i;
    return parseScalar(Scalar::String, first, error);
}

struct WriteChange {
    enum class Kind { Set, ArrayAdd, DictAdd } kind = Kind::Set;
    plist::Value value;
};

// The value part of `write DOMAIN KEY ...`.
std::optional<WriteChange> parseWriteValue(const std::vector<std::string>& args, std::string& error) {
    WriteChange change;
    const std::string& flag = args.front();
    if (const auto type = scalarFlag(flag)) {
        if (args.size() != 2) {
            error = args.size() < 2 ? flag + " needs a value after it" : "Too many values after " + flag;
            return std::nullopt;
        }
        auto value = parseScalar(*type, args[1], error);
        if (!value) return std::nullopt;
        change.value = std::move(*value);
        return change;
    }
    if (flag == "-array" || flag == "-array-add") {
        plist::Array items;
        for (std::size_t i = 1; i < args.size();) {
            auto item = parseElement(args, i, error);
            if (!item) return std::nullopt;
            items.push_back(std::move(*item));
        }
        change.kind = flag == "-array" ? WriteChange::Kind::Set : WriteChange::Kind::ArrayAdd;
        change.value = std::move(items);
        return change;
    }
    if (flag == "-dict" || flag == "-dict-add") {
        plist::Dictionary entries;
        for (std::size_t i = 1; i < args.size();) {
            const std::string& key = args[i++];
            if (!lendmode::isValidUtf8(key)) {
                error = "Cannot use the key \"" + key + "\": it is not valid UTF-8 text";
                return std::nullopt;
            }
            if (i >= args.size()) {
                error = std::string("The key \"")
                            .append(key)
                            .append("\" of ")
                            .append(flag)
                            .append(" has no value");
                return std::nullopt;
            }
            auto value = parseElement(args, i, error);
            if (!value) return std::nullopt;
            entries.insert_or_assign(key, std::move(*value));
        }
        change.kind = flag == "-dict" ? WriteChange::Kind::Set : WriteChange::Kind::DictAdd;
        change.value = std::move(entries);
        return change;
    }
    if (args.size() != 1) {
        error = flag.size() > 1 && flag.front() == '-'
                    ? "Unknown value type " + flag
                    : "Too many values: quote a value that contains spaces";
        return std::nullopt;
    }
    auto value = parseScalar(Scalar::String, flag, error);
    if (!value) return std::nullopt;
    change.value = std::move(*value);
    return change;
}

// Applies a parsed change to the domain's contents; false (with error) when an
// -array-add or -dict-add meets a value of another type.
bool applyChange(plist::Dictionary& contents, const std::string& key, const WriteChange& change,
                 std::string& error) {
    auto it = contents.find(key);
    switch (change.kind) {
        case WriteChange::Kind::Set: contents.insert_or_assign(key, change.value); return true;
        case WriteChange::Kind::ArrayAdd: {
            if (it == contents.end()) {
                contents.emplace(key, change.value);
                return true;
            }
            plist::Array* existing = it->second.asArray();
            if (!existing) {
                error = "Value for key " + key + " is not an array; cannot append.";
                return false;
            }
            const plist::Array& added = *change.value.asArray();
            existing->insert(existing->end(), added.begin(), added.end());
            return true;
        }
        case WriteChange::Kind::DictAdd: {
            if (it == contents.end()) {
                contents.emplace(key, change.value);
                return true;
            }
            plist::Dictionary* existing = it->second.asDictionary();
            if (!existing) {
                error = "Value for key " + key + " is not a dictionary; cannot add entries.";
                return false;
            }
            for (const auto& [k, v] : *change.value.asDictionary()) existing->insert_or_assign(k, v);
            return true;
        }
    }
    return false;
}

const char* typeName(const plist::Value& value) {
    using Type = plist::Value::Type;
    switch (value.type()) {
        case Type::String: return "string";
        case Type::Integer: return "integer";
        case Type::Real: return "float";
        case Type::Boolean: return "boolean";
        case Type::DateType: return "date";
        case Type::DataType: return "data";
        case Type::ArrayType: return "array";
        case Type::DictionaryType: return "dictionary";
    }
    return "unknown";
}

// ---- Verbs ----

struct Context {
    const SimMac& mac;
    bool currentHost;
    std::string& out;
    std::string& err;

    // The file behind a domain argument. Other calls are given this path instead of
    // the argument (a path with ".plist" names itself), so the hardware UUID that a
    // -currentHost name needs is looked up once.
    std::string file(std::string_view domain) const { return mac.domainFile(domain, currentHost); }

    int missingPair(std::string_view domain, std::string_view key) const {
        return fail(err, "The domain/default pair of (" + displayName(domain) + ", " + std::string(key) +
                             ") does not exist");
    }
};

int readAll(Context& c) {
    const std::string prefs = c.mac.preferencesDirectory();
    const std::string directory = c.currentHost ? prefs + "/ByHost" : prefs;
    const std::string suffix = c.currentHost ? "." + c.mac.hardwareUUID() + ".plist" : ".plist";
    plist::Dictionary all;
    for (const std::string& name : domainsIn(directory, suffix)) {
        auto contents = c.mac.readDomain(std::string(directory).append("/").append(name).append(suffix));
        if (contents)
            all.insert_or_assign(name == ".GlobalPreferences" ? "NSGlobalDomain" : name,
                                 std::move(*contents));
    }
    c.out += formatDomainListing(all);
    c.out += '\n';
    return 0;
}

int readDomainOrKey(Context& c, const std::string& domain, const std::string* key) {
    const auto contents = c.mac.readDomain(c.file(domain));
    if (!key) {
        if (!contents) return fail(c.err, "Domain " + displayName(domain) + " does not exist");
        c.out += formatDomainListing(*contents);
        c.out += '\n';
        return 0;
    }
    const auto it = contents ? contents->find(*key) : plist::Dictionary::const_iterator{};
    if (!contents || it == contents->end()) return c.missingPair(domain, *key);
    c.out += formatValueForRead(it->second);
    c.out += '\n';
    return 0;
}

int readType(Context& c, const std::string& domain, const std::string& key) {
    const auto contents = c.mac.readDomain(c.file(domain));
    const plist::Value* value = nullptr;
    if (contents) {
        if (auto it = contents->find(key); it != contents->end()) value = &it->second;
    }
    if (!value) return c.missingPair(domain, key);
    c.out += "Type is ";
    c.out += typeName(*value);
    c.out += '\n';
    return 0;
}

int writeValue(Context& c, const std::string& domain, const std::string& key,
               const std::vector<std::string>& rest) {
    std::string error;
    if (!lendmode::isValidUtf8(key))
        return fail(c.err, "Cannot use the key \"" + key + "\": it is not valid UTF-8 text\n" + kNotChanged);
    const auto change = parseWriteValue(rest, error);
    if (!change) return fail(c.err, error + "\n" + kNotChanged);

    const std::string file = c.file(domain);
    const std::string couldNotWrite = "Could not write domain " + displayName(domain) + "; exiting";
    // Preferences folders are made on demand, but a path names a file in a folder
    // that must already be there.
    if (domainName(domain).kind == DomainName::Kind::Path && !isDirectory(parentDirectory(file)))
        return fail(c.err, couldNotWrite);

    bool refused = false;
    const bool written = c.mac.updateDomain(file, false, [&](plist::Dictionary& contents) {
        if (contents.empty() && !replaceable(file)) {
            refused = true;
            return false;
        }
        return applyChange(contents, key, *change, error);
    });
    if (!error.empty()) return fail(c.err, error + "\n" + kNotChanged);
    if (refused || !written) return fail(c.err, couldNotWrite);
    return 0;
}

int deleteDomainOrKey(Context& c, const std::string& domain, const std::string* key) {
    const std::string file = c.file(domain);
    const std::string notFound = "Domain (" + displayName(domain) + ") not found.\n" + kNotChanged;
    if (!key) {
        struct stat st {};
        if (::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return fail(c.err, notFound);
        bool removed = false;
        const bool locked = c.mac.withLock([&] { removed = ::unlink(file.c_str()) == 0 || errno == ENOENT; });
        if (!locked || !removed)
            return fail(c.err, "Could not write domain " + displayName(domain) + "; exiting");
        return 0;
    }
    bool found = false;
    const bool written = c.mac.updateDomain(file, false, [&](plist::Dictionary& contents) {
        found = contents.erase(*key) > 0;
        return found;
    });
    // Without the lock nothing was looked at: that is a failed write, not a missing key.
    if (!written) return fail(c.err, "Could not write domain " + displayName(domain) + "; exiting");
    if (!found) return fail(c.err, notFound);
    return 0;
}

int listDomains(Context& c) {
    const std::string prefs = c.mac.preferencesDirectory();
    const auto names = c.currentHost ? domainsIn(prefs + "/ByHost", "." + c.mac.hardwareUUID() + ".plist")
                                     : domainsIn(prefs, ".plist");
    bool first = true;
    for (const std::string& name : names) {
        if (name.empty() || name.front() == '.') continue;  // the global domain is not listed
        if (!first) c.out += ", ";
        c.out += name;
        first = false;
    }
    c.out += '\n';
    return 0;
}

}  // namespace

int runDefaults(const std::vector<std::string>& args, const SimMac& mac, std::string& out, std::string& err) {
    std::size_t i = 0;
    bool currentHost = false;
    for (; i < args.size() && args[i] == "-currentHost"; ++i) currentHost = true;
    if (i >= args.size()) return usageError(err, "no command given");

    const std::string& verb = args[i++];
    const std::vector<std::string> rest(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
    Context c{mac, currentHost, out, err};

    if (verb == "help" && rest.empty()) {
        out += kUsage;
        return 0;
    }
    if (verb == "domains") {
        if (!rest.empty()) return usageError(err, "domains takes no arguments");
        return listDomains(c);
    }
    const bool known = verb == "read" || verb == "read-type" || verb == "write" || verb == "delete";
    if (!known) {
        if (!verb.empty() && verb.front() == '-') return usageError(err, "unknown option " + verb);
        return usageError(err, "unknown command " + verb);
    }
    if (!rest.empty() && rest.front().empty()) return usageError(err, "the domain must not be empty");

    if (verb == "read") {
        if (rest.empty()) return readAll(c);
        if (rest.size() > 2) return usageError(err, "read takes a domain and at most one key");
        return readDomainOrKey(c, rest[0], rest.size() == 2 ? &rest[1] : nullptr);
    }
    if (verb == "read-type") {
        if (rest.size() != 2) return usageError(err, "read-type takes a domain and a key");
        return readType(c, rest[0], rest[1]);
    }
    if (verb == "write") {
        if (rest.size() < 3) return usageError(err, "write takes a domain, a key and a value");
        return writeValue(c, rest[0], rest[1], std::vector<std::string>(rest.begin() + 2, rest.end()));
    }
    // delete
    if (rest.empty() || rest.size() > 2) return usageError(err, "delete takes a domain and at most one key");
    return deleteDomainOrKey(c, rest[0], rest.size() == 2 ? &rest[1] : nullptr);
}

}  // namespace sim
