#include "framework/PropertyList.h"

#include <limits>

#include "framework/Exceptions.h"

namespace fw {

namespace {

constexpr char NameSeparator = ' ';
constexpr std::size_t IntegerSize = 4;
constexpr std::size_t BooleanSize = 1;
constexpr std::size_t ColorSize = 3;
constexpr std::size_t StringLengthSize = 4;

void AppendBigEndian32(std::string& bytes, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes += static_cast<char>((value >> shift) & 0xFF);
}

std::uint32_t BigEndian32(std::string_view bytes) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < IntegerSize; ++i)
        value = (value << 8) | static_cast<unsigned char>(bytes[i]);
    return value;
}

std::string Quoted(std::string_view name) { return "'" + std::string(name) + "'"; }

// Reads the entries of one list, front to back, with the types its target declares.
class Decoder {
public:
    Decoder(std::string_view bytes,
            const std::function<std::optional<PropertyType>(std::string_view)>& declaredType)
        : bytes_(bytes), declaredType_(declaredType) {}

    PropertyEntries DecodeAll() {
        PropertyEntries entries;
        while (at_ < bytes_.size()) entries.push_back(DecodeEntry());
        return entries;
    }

private:
    std::pair<std::string, PropertyValue> DecodeEntry() {
        const std::string_view name = TakeName();
        const std::optional<PropertyType> type = declaredType_(name);
        if (!type) throw PropertyListException("Unknown property " + Quoted(name));
        return {std::string(name), TakeValue(name, *type)};
    }

    std::string_view TakeName() {
        const std::size_t blank = bytes_.find(NameSeparator, at_);
        if (blank == std::string_view::npos)
            throw CutShort(bytes_.substr(at_), "has no blank after its name");
        const std::string_view name = bytes_.substr(at_, blank - at_);
        at_ = blank + 1;
        return name;
    }

    PropertyValue TakeValue(std::string_view name, PropertyType type) {
        switch (type) {
            case PropertyType::Integer:
                return static_cast<std::int32_t>(BigEndian32(Take(name, IntegerSize)));
            case PropertyType::Boolean:
                return TakeBoolean(name);
            case PropertyType::String:
                return TakeString(name);
            case PropertyType::Color: {
                const std::string_view rgb = Take(name, ColorSize);
                return Color{static_cast<std::uint8_t>(rgb[0]), static_cast<std::uint8_t>(rgb[1]),
                             static_cast<std::uint8_t>(rgb[2])};
            }
        }
        throw PropertyListException("The property " + Quoted(name) + " has an unknown type");
    }

    bool TakeBoolean(std::string_view name) {
        const auto byte = static_cast<unsigned char>(Take(name, BooleanSize)[0]);
        if (byte > 1)
            throw PropertyListException("The Boolean property " + Quoted(name) + " holds the byte " +
                                        std::to_string(byte) + " instead of 0 or 1");
        return byte == 1;
    }

    std::string TakeString(std::string_view name) {
        const auto length = static_cast<std::int32_t>(BigEndian32(Take(name, StringLengthSize)));
        if (length < 0)
            throw PropertyListException("The string property " + Quoted(name) +
                                        " has the negative length " + std::to_string(length));
        return std::string(Take(name, static_cast<std::size_t>(length)));
    }

    // The next `count` bytes of the entry `name`.
    std::string_view Take(std::string_view name, std::size_t count) {
        if (count > bytes_.size() - at_) throw CutShort(name, "is cut short");
        const std::string_view taken = bytes_.substr(at_, count);
        at_ += count;
        return taken;
    }

    static PropertyListException CutShort(std::string_view name, const char* what) {
        return PropertyListException("The property list ends inside the entry " + Quoted(name) +
                                     ", which " + what);
    }

    std::string_view bytes_;
    const std::function<std::optional<PropertyType>(std::string_view)>& declaredType_;
    std::size_t at_ = 0;
};

// Names are written by our own layouts; one that a decoder could not find
// again is a programming error that must not produce a corrupt list.
void AppendName(std::string& bytes, std::string_view name) {
    if (name.empty() || name.find(NameSeparator) != std::string_view::npos)
        throw PropertyListException("A property name must be non-empty and without blanks: " +
                                    Quoted(name));
    bytes.append(name);
    bytes += NameSeparator;
}

}  // namespace

PropertyList& PropertyList::AddInteger(std::string_view name, std::int32_t value) {
    AppendName(bytes_, name);
    AppendBigEndian32(bytes_, static_cast<std::uint32_t>(value));
    return *this;
}

PropertyList& PropertyList::AddBoolean(std::string_view name, bool value) {
    AppendName(bytes_, name);
    bytes_ += value ? '\x01' : '\x00';
    return *this;
}

PropertyList& PropertyList::AddString(std::string_view name, std::string_view value) {
    if (value.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        throw OutOfBoundsException("The string property " + Quoted(name) + " is too long");
    AppendName(bytes_, name);
    AppendBigEndian32(bytes_, static_cast<std::uint32_t>(value.size()));
    bytes_.append(value);
    return *this;
}

PropertyList& PropertyList::AddColor(std::string_view name, Color value) {
    AppendName(bytes_, name);
    bytes_ += static_cast<char>(value.Red);
    bytes_ += static_cast<char>(value.Green);
    bytes_ += static_cast<char>(value.Blue);
    return *this;
}

PropertyEntries DecodeProperties(
    const PropertyList& list,
    const std::function<std::optional<PropertyType>(std::string_view)>& declaredType) {
    return Decoder(list.Bytes(), declaredType).DecodeAll();
}

void SetProperties(PropertyHolder& target, const PropertyList& list) {
    const PropertyEntries entries = DecodeProperties(
        list, [&target](std::string_view name) { return target.DeclaredType(name); });
    for (const auto& [name, value] : entries) target.SetProperty(name, value);
}

}  // namespace fw
