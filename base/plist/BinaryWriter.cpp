#include "base/plist/BinaryWriter.h"

#include "base/AppleEpoch.h"
#include "base/Utf8.h"
#include "base/plist/Limits.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

namespace plist {
namespace {

int bytesFor(std::uint64_t n) {
    int bytes = 1;
    while (bytes < 8 && (n >> (8 * bytes)) != 0) ++bytes;
    return bytes;
}

class Writer {
public:
    // Empty when the value nests deeper than the readers accept.
    std::string write(const Value& root) {
        const std::size_t n = nodes(root, 0);
        if (tooDeep_) return {};
        reserve(n);
        add(root);
        return finish(nullptr);
    }

    // A dictionary with the value under kept.key as objects 1 to n, right after the
    // dictionary itself, so that their bytes do not depend on the other keys: copied
    // from kept when it holds them, encoded into it otherwise. Nothing when kept was
    // encoded for another reference width (the caller encodes again).
    std::optional<std::string> write(const Dictionary& root, const Value& rootValue, EncodedEntry& kept,
                                     const Value& keptValue) {
        std::size_t expected = 1 + 2 * root.size();
        for (const auto& [key, item] : root) {
            if (key != kept.key || kept.bytes.empty())
                expected += nodes(key == kept.key ? keptValue : item, 1);
        }
        if (tooDeep_) return std::nullopt;
        reserve(expected);
        objects_.push_back(Object{&rootValue, nullptr, 0, 0});
        std::uint64_t keptId = 1;
        if (kept.bytes.empty()) {
            keptId = add(keptValue);
            keptEnd_ = objects_.size();
        } else {
            objects_.push_back(Object{nullptr, nullptr, 0, 0, true});
            shift_ = kept.offsets.size() - 1;
        }
        std::vector<std::uint64_t> children;
        children.reserve(root.size() * 2);
        for (const auto& [key, item] : root) children.push_back(addString(key, nullptr));
        for (const auto& [key, item] : root) children.push_back(key == kept.key ? keptId : add(item));
        objects_[0].refStart = refs_.size();
        objects_[0].refCount = children.size();
        refs_.insert(refs_.end(), children.begin(), children.end());
        if (!kept.bytes.empty() && bytesFor(count() - 1) != kept.refSize) return std::nullopt;
        std::string bytes = finish(&kept);
        kept.booleansAt.clear();
        std::size_t i = root.size();
        for (const auto& [key, item] : root) {
            if (item.isBoolean() && key != kept.key) kept.booleansAt.emplace_back(key, placed_[children[i]]);
            ++i;
        }
        return bytes;
    }

private:
    struct Object {
        const Value* value = nullptr;      // null for a dictionary key
        const std::string* key = nullptr;  // the key's text
        std::size_t refStart = 0, refCount = 0;
        bool kept = false;  // stands for the objects of an EncodedEntry
    };

    // Object ids: positions in objects_, those after kept objects moved on by their number.
    std::uint64_t nextId() const { return objects_.size() + shift_; }
    std::uint64_t count() const { return objects_.size() + shift_; }

    std::string finish(EncodedEntry* kept) {
        refSize_ = bytesFor(count() == 0 ? 0 : count() - 1);
        // Room for the kept bytes and the offset table at once: growing by doubling
        // would copy a large list several times.
        out_.reserve(8 + (kept ? kept->bytes.size() : 0) + objects_.size() * 16 + refs_.size() * 8 +
                     count() * 8 + 32);
        out_ = "bplist00";
        std::vector<std::uint64_t> offsets;
        offsets.reserve(count());
        std::size_t keptStart = 0;
        for (std::size_t i = 0; i < objects_.size(); ++i) {
            const Object& o = objects_[i];
            if (o.kept) {
                const std::uint64_t base = out_.size();
                for (std::uint32_t off : kept->offsets) offsets.push_back(base + off);
                out_ += kept->bytes;
                kept->placedAt = base;
                continue;
            }
            if (kept && i == 1) keptStart = out_.size();
            offsets.push_back(out_.size());
            emit(o);
            if (kept && keptEnd_ > 0 && i + 1 == keptEnd_) {
                // Just encoded: kept for the next file.
                kept->bytes.assign(out_, keptStart);
                kept->offsets.clear();
                kept->offsets.reserve(keptEnd_ - 1);
                for (std::size_t j = 1; j < keptEnd_; ++j)
                    kept->offsets.push_back(static_cast<std::uint32_t>(offsets[j] - keptStart));
                kept->refSize = refSize_;
                kept->placedAt = keptStart;
            }
        }
        const std::uint64_t tableOffset = out_.size();
        const int offsetSize = bytesFor(tableOffset);
        const std::size_t tableStart = out_.size();
        out_.resize(tableStart + offsets.size() * static_cast<std::size_t>(offsetSize));
        char* entry = out_.data() + tableStart;
        for (std::uint64_t off : offsets) {
            for (int i = offsetSize - 1; i >= 0; --i) *entry++ = static_cast<char>((off >> (8 * i)) & 0xFF);
        }
        placed_ = std::move(offsets);
        out_.append(6, '\0');
        out_ += static_cast<char>(offsetSize);
        out_ += static_cast<char>(refSize_);
        be(count(), 8);
        be(0, 8);  // the root is object 0
        be(tableOffset, 8);
        return std::move(out_);
    }

    std::uint64_t addString(const std::string& s, const Value* value) {
        auto [it, inserted] = strings_.try_emplace(std::string_view(s), nextId());
        if (inserted) objects_.push_back(Object{value, &s, 0, 0});
        return it->second;
    }

    // How many objects a value inside `depth` containers can need at most (strings met
    // before are not counted again when written): the buffers are made that large once,
    // rather than grown. Notes, without going deeper, a container nested too deep.
    std::size_t nodes(const Value& v, int depth) {
        std::size_t n = 1;
        if ((v.isArray() || v.isDictionary()) && depth >= kMaxNesting) {
            tooDeep_ = true;
        } else if (const Array* a = v.asArray()) {
            for (const Value& item : *a) n += nodes(item, depth + 1);
        } else if (const Dictionary* d = v.asDictionary()) {
            for (const auto& [key, item] : *d) n += 1 + nodes(item, depth + 1);
        }
        return n;
    }

    void reserve(std::size_t n) {
        objects_.reserve(n);
        refs_.reserve(n);
        strings_.reserve(n);
    }

    std::uint64_t add(const Value& v) {
        if (const std::string* s = v.asString()) return addString(*s, &v);
        const std::uint64_t id = nextId();
        const std::size_t position = objects_.size();
        objects_.push_back(Object{&v, nullptr, 0, 0});
        // The children's ids gather on a stack shared by every level, then move to refs_
        // together: the references of one container lie side by side.
        const std::size_t mark = stack_.size();
        if (const Array* a = v.asArray()) {
            for (const Value& item : *a) {
                const std::uint64_t child = add(item);
                stack_.push_back(child);
            }
        } else if (const Dictionary* d = v.asDictionary()) {
            for (const auto& [key, item] : *d) stack_.push_back(addString(key, nullptr));
            for (const auto& [key, item] : *d) {
                const std::uint64_t child = add(item);
                stack_.push_back(child);
            }
        } else {
            return id;
        }
        objects_[position].refStart = refs_.size();
        objects_[position].refCount = stack_.size() - mark;
        refs_.insert(refs_.end(), stack_.begin() + static_cast<std::ptrdiff_t>(mark), stack_.end());
        stack_.resize(mark);
        return id;
    }

    void be(std::uint64_t v, int bytes) {
        for (int i = bytes - 1; i >= 0; --i) out_ += static_cast<char>((v >> (8 * i)) & 0xFF);
    }

    void marker(std::uint8_t type, std::uint64_t count) {
        if (count < 15) {
            out_ += static_cast<char>(type << 4 | count);
        } else {
            out_ += static_cast<char>(type << 4 | 0xF);
            integer(static_cast<std::int64_t>(count));
        }
    }

    void integer(std::int64_t n) {
        const auto u = static_cast<std::uint64_t>(n);
        if (n >= 0 && u <= 0xFF) {
            out_ += '\x10';
            be(u, 1);
        } else if (n >= 0 && u <= 0xFFFF) {
            out_ += '\x11';
            be(u, 2);
        } else if (n >= 0 && u <= 0xFFFFFFFFULL) {
            out_ += '\x12';
            be(u, 4);
        } else {
            out_ += '\x13';  // eight bytes, signed
            be(u, 8);
        }
    }

    void real(double d, std::uint8_t markerByte) {
        std::uint64_t bits;
        std::memcpy(&bits, &d, 8);
        out_ += static_cast<char>(markerByte);
        be(bits, 8);
    }

    void singleReal(float f) {
        std::uint32_t bits;
        std::memcpy(&bits, &f, 4);
        out_ += '\x22';
        be(bits, 4);
    }

    void text(const std::string& s) {
        bool ascii = true;
        for (char c : s) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
        if (ascii) {
            marker(0x5, s.size());
            out_ += s;
            return;
        }
        const std::u16string units = lendmode::toUtf16(s);
        marker(0x6, units.size());
        for (char16_t u : units) be(u, 2);
    }

    void emit(const Object& o) {
        if (o.key) {
            text(*o.key);
            return;
        }
        const Value& v = *o.value;
        switch (v.type()) {
            case Value::Type::String: text(*v.asString()); break;
            case Value::Type::Integer: integer(v.integer()); break;
            case Value::Type::Real:
                if (v.isSingleReal()) {
                    singleReal(static_cast<float>(v.real()));
                } else {
                    real(v.real(), 0x23);
                }
                break;
            case Value::Type::Boolean: out_ += v.boolean() ? '\x09' : '\x08'; break;
            case Value::Type::DateType:
                real(v.asDate()->secondsSince1970 - lendmode::kAppleEpochOffset, 0x33);
                break;
            case Value::Type::DataType: {
                const Data& d = *v.asData();
                marker(0x4, d.size());
                out_.append(reinterpret_cast<const char*>(d.data()), d.size());
                break;
            }
            case Value::Type::ArrayType:
            case Value::Type::DictionaryType: {
                const bool dict = v.isDictionary();
                marker(dict ? 0xD : 0xA, dict ? o.refCount / 2 : o.refCount);
                for (std::size_t i = 0; i < o.refCount; ++i) be(refs_[o.refStart + i], refSize_);
                break;
            }
        }
    }

    std::vector<Object> objects_;
    std::vector<std::uint64_t> refs_;
    std::vector<std::uint64_t> stack_;
    std::unordered_map<std::string_view, std::uint64_t> strings_;
    int refSize_ = 1;
    std::uint64_t shift_ = 0;  // kept objects beyond the first
    std::size_t keptEnd_ = 0;  // one past the last object of a value being encoded for keeping
    std::string out_;
    std::vector<std::uint64_t> placed_;  // where each object was placed, by id
    bool tooDeep_ = false;
};

// Walks a kept encoding beside the value it should encode, noting the booleans that
// differ; any other difference ends the walk.
class BooleanDiff {
public:
    explicit BooleanDiff(const EncodedEntry& kept) : kept_(kept) {}

    // The object with this id encodes `value` but for the booleans noted.
    bool matches(const Value& value, std::uint64_t id) {
        if (id < 1 || id > kept_.offsets.size()) return false;
        std::size_t at = kept_.offsets[id - 1];
        if (at >= kept_.bytes.size()) return false;
        const auto byte = static_cast<std::uint8_t>(kept_.bytes[at]);
        const std::uint8_t type = byte >> 4;
        switch (value.type()) {
            case Value::Type::Boolean:
                if (byte != 0x08 && byte != 0x09) return false;
                if ((byte == 0x09) != value.boolean()) flips_.push_back(at);
                return true;
            case Value::Type::String: return matchesText(*value.asString(), id);
            case Value::Type::Integer: {
                if (type != 0x1 || (byte & 0xF) > 3) return false;
                const std::size_t width = std::size_t{1} << (byte & 0xF);
                const auto n = number(at + 1, width);
                return n && static_cast<std::int64_t>(*n) == value.integer() &&
                       (width == 8 || value.integer() >= 0);
            }
            case Value::Type::ArrayType: {
                const Array& items = *value.asArray();
                const auto count = length(at);
                if (type != 0xA || !count || *count != items.size()) return false;
                for (std::size_t i = 0; i < items.size(); ++i) {
                    const auto ref = number(at + i * refSize(), refSize());
                    if (!ref || !matches(items[i], *ref)) return false;
                }
                return true;
            }
            case Value::Type::DictionaryType: {
                const Dictionary& entries = *value.asDictionary();
                const auto count = length(at);
                if (type != 0xD || !count || *count != entries.size()) return false;
                std::size_t i = 0;
                for (const auto& [key, item] : entries) {
                    const auto keyRef = number(at + i * refSize(), refSize());
                    const auto valueRef = number(at + (entries.size() + i) * refSize(), refSize());
                    if (!keyRef || !valueRef || !matchesText(key, *keyRef) || !matches(item, *valueRef))
                        return false;
                    ++i;
                }
                return true;
            }
            case Value::Type::Real: {
                const bool single = value.isSingleReal();
                if (byte != (single ? 0x22 : 0x23)) return false;
                const auto bits = number(at + 1, single ? 4 : 8);
                return bits && *bits == realBits(value.real(), single);
            }
            case Value::Type::DateType: {
                const auto bits = number(at + 1, 8);
                return byte == 0x33 && bits &&
                       *bits ==
                           realBits(value.asDate()->secondsSince1970 - lendmode::kAppleEpochOffset, false);
            }
            case Value::Type::DataType: {
                const Data& data = *value.asData();
                const auto count = length(at);
                return type == 0x4 && count && *count == data.size() &&
                       at + data.size() <= kept_.bytes.size() &&
                       std::equal(data.begin(), data.end(),
                                  kept_.bytes.begin() + static_cast<std::ptrdiff_t>(at),
                                  [](std::uint8_t a, char b) { return a == static_cast<std::uint8_t>(b); });
            }
        }
        return false;
    }

    const std::vector<std::size_t>& flips() const { return flips_; }

private:
    // A real's bits as the writer stores them: four bytes for a single, else eight.
    static std::uint64_t realBits(double d, bool single) {
        if (single) {
            const auto f = static_cast<float>(d);
            std::uint32_t bits = 0;
            std::memcpy(&bits, &f, 4);
            return bits;
        }
        std::uint64_t bits = 0;
        std::memcpy(&bits, &d, 8);
        return bits;
    }

    // A string object with this text: ASCII as it is, any other as UTF-16.
    bool matchesText(const std::string& text, std::uint64_t id) const {
        if (id < 1 || id > kept_.offsets.size()) return false;
        std::size_t at = kept_.offsets[id - 1];
        if (at >= kept_.bytes.size()) return false;
        const std::uint8_t type = static_cast<std::uint8_t>(kept_.bytes[at]) >> 4;
        const auto count = length(at);
        if (!count) return false;
        if (type == 0x5) {
            return *count == text.size() && at + text.size() <= kept_.bytes.size() &&
                   kept_.bytes.compare(at, text.size(), text) == 0;
        }
        if (type != 0x6) return false;
        const std::u16string units = lendmode::toUtf16(text);
        if (*count != units.size() || at + 2 * units.size() > kept_.bytes.size()) return false;
        for (std::size_t i = 0; i < units.size(); ++i) {
            if (number(at + 2 * i, 2) != units[i]) return false;
        }
        return true;
    }

    std::size_t refSize() const { return static_cast<std::size_t>(kept_.refSize); }

    std::optional<std::uint64_t> number(std::size_t at, std::size_t width) const {
        if (width == 0 || width > 8 || at + width > kept_.bytes.size()) return std::nullopt;
        std::uint64_t n = 0;
        for (std::size_t i = 0; i < width; ++i) n = n << 8 | static_cast<std::uint8_t>(kept_.bytes[at + i]);
        return n;
    }

    // The count of an object's marker at `at`; moves `at` to what follows it.
    std::optional<std::size_t> length(std::size_t& at) const {
        const auto byte = static_cast<std::uint8_t>(kept_.bytes[at++]);
        if ((byte & 0xF) != 0xF) return byte & 0xF;
        if (at >= kept_.bytes.size()) return std::nullopt;
        const auto intByte = static_cast<std::uint8_t>(kept_.bytes[at++]);
        if (intByte >> 4 != 0x1 || (intByte & 0xF) > 3) return std::nullopt;
        const std::size_t width = std::size_t{1} << (intByte & 0xF);
        const auto n = number(at, width);
        at += width;
        return n ? std::optional<std::size_t>(static_cast<std::size_t>(*n)) : std::nullopt;
    }

    const EncodedEntry& kept_;
    std::vector<std::size_t> flips_;
};

}  // namespace

std::optional<std::vector<std::size_t>> booleansToTurn(const EncodedEntry& kept, const Value& value) {
    if (kept.bytes.empty()) return std::nullopt;
    BooleanDiff diff(kept);
    if (!diff.matches(value, 1)) return std::nullopt;
    return diff.flips();
}

void turnBooleans(EncodedEntry& kept, const std::vector<std::size_t>& positions) {
    for (std::size_t at : positions) kept.bytes[at] = turned(kept.bytes[at]);
}

bool updateBooleans(EncodedEntry& kept, const Value& value) {
    const auto positions = booleansToTurn(kept, value);
    if (positions) turnBooleans(kept, *positions);
    return positions.has_value();
}

std::string serializeBinary(const Value& root) {
    return Writer().write(root);
}

std::optional<std::string> serializeBinary(const Value& root, EncodedEntry& kept, const Value* keptValue) {
    const Dictionary* d = root.asDictionary();
    const auto entry = d ? d->find(kept.key) : Dictionary::const_iterator{};
    if (!d || entry == d->end()) {
        (void)std::exchange(kept, EncodedEntry{});  // its buffers freed, not kept for reuse
        std::string bytes = serializeBinary(root);
        if (bytes.empty()) return std::nullopt;
        return bytes;
    }
    return Writer().write(*d, root, kept, keptValue ? *keptValue : entry->second);
}

}  // namespace plist
