#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

namespace mirca {

// Records are copied byte for byte into and out of the little-endian device image.
static_assert(std::endian::native == std::endian::little, "records are laid out for a little-endian host");

// Access marks of a block, and of every image byte it covers.
enum : std::uint32_t {
    kAccessRead = 1,
    kAccessWrite = 2,
    kAccessBackup = 4,
    kAccessFactory = 8,
};

// One named, typed setting or table of the device, at a fixed place in the memory image.
class TConfigBlockBase {
public:
    virtual ~TConfigBlockBase() = default;

    virtual void Init(const std::string& className, const std::string& blockName, std::uint32_t address,
                      std::uint32_t size, const std::vector<std::uint8_t>& factory) = 0;
    virtual void LoadFactoryIfFlagged() = 0;
    virtual void LoadFactory() = 0;
    // Size bytes from source into the value.
    virtual void ReadFrom(const std::uint8_t* source) = 0;
    // The first Size bytes of the value to target; nothing when target is null.
    virtual void WriteTo(std::uint8_t* target) const = 0;

    // The record's size in bytes, and its bytes, for callers that treat every record alike.
    virtual std::uint32_t RecordSize() const = 0;
    virtual std::uint8_t* ValueBytes() = 0;
    virtual const std::uint8_t* ValueBytes() const = 0;

    // Puts count bytes (at most Size) at the start of the value, marking the block Modified when that changes
    // its bytes. A change that changes nothing leaves an earlier mark as it was: an edit looked at again must
    // still be written or saved, and the close question must still ask.
    void Change(const std::uint8_t* bytes, std::size_t count) {
        const std::size_t n = std::min<std::size_t>(count, Size);
        if (n == 0 || std::memcmp(ValueBytes(), bytes, n) == 0) return;
        std::memcpy(ValueBytes(), bytes, n);
        Modified = true;
    }

    bool Modified = false;
    std::string name;
    std::string ClassName;
    std::uint32_t Address = 0;
    std::uint32_t TableNum = 0;
    std::uint32_t Size = 0;
    std::uint32_t Access = 0;
    std::vector<std::uint8_t> Factory;  // Size bytes; empty when Size is 0
};

template <typename T>
class TConfigBlock final : public TConfigBlockBase {
    static_assert(std::is_trivially_copyable_v<T>, "a record is a plain byte layout");

public:
    explicit TConfigBlock(const T& initial = T{}) : Value(initial) {}

    void Init(const std::string& className, const std::string& blockName, std::uint32_t address,
              std::uint32_t size, const std::vector<std::uint8_t>& factory) override {
        // A block never spills past its record; map files are checked for this before blocks are made.
        if (size > sizeof(T) || factory.size() != size)
            throw std::invalid_argument("block \"" + blockName + "\": size " + std::to_string(size) +
                                        " does not fit record " + className);
        Modified = false;
        ClassName = className;
        name = blockName;
        Address = address;
        Size = size;
        Factory = factory;
        if (size) std::memcpy(ValueBytes(), Factory.data(), size);
    }
    void LoadFactoryIfFlagged() override {
        if (Access & kAccessFactory) LoadFactory();
    }
    void LoadFactory() override {
        if (Size) std::memcpy(ValueBytes(), Factory.data(), Size);
    }
    void ReadFrom(const std::uint8_t* source) override {
        if (source && Size) std::memcpy(ValueBytes(), source, Size);
    }
    void WriteTo(std::uint8_t* target) const override {
        if (target && Size) std::memcpy(target, ValueBytes(), Size);
    }
    using TConfigBlockBase::Change;
    void Change(const T& value) { Change(reinterpret_cast<const std::uint8_t*>(&value), sizeof(T)); }

    std::uint32_t RecordSize() const override { return sizeof(T); }
    std::uint8_t* ValueBytes() override { return reinterpret_cast<std::uint8_t*>(&Value); }
    const std::uint8_t* ValueBytes() const override { return reinterpret_cast<const std::uint8_t*>(&Value); }

    T Value;
};

// The block for a map file's ClassName (exact match), with its record's initial content; null when no
// record type has that name.
std::unique_ptr<TConfigBlockBase> CreateConfigBlock(const std::string& className);

}  // namespace mirca
