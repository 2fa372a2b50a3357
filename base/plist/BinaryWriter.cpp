#include "base/plist/BinaryWriter.h"

#include "base/AppleEpoch.h"
#include "base/Utf8.h"
#include "base/plist/Limits.h"

#include <cstdint>
#include <cstring>
#include <string_view>
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
        return finish();
    }

private:
    struct Object {
        const Value* value = nullptr;      // null for a dictionary key
        const std::string* key = nullptr;  // the key's text
        std::size_t refStart = 0, refCount = 0;
    };

    // Object ids are positions in objects_.
    std::uint64_t nextId() const { return objects_.size(); }
    std::uint64_t count() const { return objects_.size(); }

    std::string finish() {
        refSize_ = bytesFor(count() == 0 ? 0 : count() - 1);
        // Room for the offset table at once: growing by doubling would copy a large
        // list several times.
        out_.reserve(8 + objects_.size() * 16 + refs_.size() * 8 + count() * 8 + 32);
        out_ = "bplist00";
        std::vector<std::uint64_t> offsets;
        offsets.reserve(count());
        for (const Object& o : objects_) {
            offsets.push_back(out_.size());
            emit(o);
        }
        const std::uint64_t tableOffset = out_.size();
        const int offsetSize = bytesFor(tableOffset);
        const std::size_t tableStart = out_.size();
        out_.resize(tableStart + offsets.size() * static_cast<std::size_t>(offsetSize));
        char* entry = out_.data() + tableStart;
        for (std::uint64_t off : offsets) {
            for (int i = offsetSize - 1; i >= 0; --i) *entry++ = static_cast<char>((off >> (8 * i)) & 0xFF);
        }
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
    std::string out_;
    bool tooDeep_ = false;
};

}  // namespace

std::string serializeBinary(const Value& root) {
    return Writer().write(root);
}

}  // namespace plist
