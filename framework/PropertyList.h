#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace fw {

// A design-time property list is a byte string of entries with no header,
// count or terminator. Each entry is the property's name in ASCII, one blank,
// then the value in the form of the property's declared type:
//   Integer  4 bytes, signed, big-endian
//   Boolean  1 byte, 0 or 1
//   String   4-byte big-endian length, then that many bytes
//   Color    3 bytes: red, green, blue
// Nothing in an entry names the type; the class that the list is applied to
// declares it.
enum class PropertyType { Integer, Boolean, String, Color };

struct Color {
    std::uint8_t Red = 0;
    std::uint8_t Green = 0;
    std::uint8_t Blue = 0;
    friend bool operator==(const Color&, const Color&) = default;
};

using PropertyValue = std::variant<std::int32_t, bool, std::string, Color>;

// A list's bytes, and the encoder that layouts are written with, one named
// entry per call, in stored order.
class PropertyList {
public:
    PropertyList() = default;
    explicit PropertyList(std::string bytes) : bytes_(std::move(bytes)) {}

    PropertyList& AddInteger(std::string_view name, std::int32_t value);
    PropertyList& AddBoolean(std::string_view name, bool value);
    PropertyList& AddString(std::string_view name, std::string_view value);
    PropertyList& AddColor(std::string_view name, Color value);

    const std::string& Bytes() const { return bytes_; }

private:
    std::string bytes_;
};

// An object that design-time lists can be applied to: its class declares each
// property it takes by name and type.
class PropertyHolder {
public:
    virtual ~PropertyHolder() = default;
    // The declared type of the property `name`, or nullopt when none of that
    // name is declared.
    virtual std::optional<PropertyType> DeclaredType(std::string_view name) const = 0;
    // Sets a declared property; `value` holds the declared type.
    virtual void SetProperty(std::string_view name, const PropertyValue& value) = 0;
};

using PropertyEntries = std::vector<std::pair<std::string, PropertyValue>>;

// Decodes `list` with the types that `declaredType` gives. Throws a
// PropertyListException naming the property for an unknown name, an entry cut
// short, or a value of the wrong size.
PropertyEntries DecodeProperties(
    const PropertyList& list,
    const std::function<std::optional<PropertyType>(std::string_view)>& declaredType);

// Applies `list` to `target`, entry by entry in stored order. The whole list
// is decoded first, so a malformed list applies nothing.
void SetProperties(PropertyHolder& target, const PropertyList& list);

// A class's table of declared properties, each with the member that sets it.
// A derived class starts from its base's table and adds its own.
template <class T>
class PropertyTable {
public:
    using Setter = std::function<void(T&, const PropertyValue&)>;

    PropertyTable() = default;
    template <class Base>
    explicit PropertyTable(const PropertyTable<Base>& base) {
        for (const auto& entry : base.Entries()) {
            entries_.push_back({entry.name, entry.type,
                                [set = entry.set](T& object, const PropertyValue& value) {
                                    set(static_cast<Base&>(object), value);
                                }});
        }
    }

    PropertyTable& Integer(std::string name, void (T::*set)(std::int32_t)) {
        return Add(std::move(name), PropertyType::Integer, [set](T& o, const PropertyValue& v) {
            (o.*set)(std::get<std::int32_t>(v));
        });
    }
    PropertyTable& Boolean(std::string name, void (T::*set)(bool)) {
        return Add(std::move(name), PropertyType::Boolean,
                   [set](T& o, const PropertyValue& v) { (o.*set)(std::get<bool>(v)); });
    }
    PropertyTable& String(std::string name, void (T::*set)(const std::string&)) {
        return Add(std::move(name), PropertyType::String,
                   [set](T& o, const PropertyValue& v) { (o.*set)(std::get<std::string>(v)); });
    }
    PropertyTable& ColorValue(std::string name, void (T::*set)(Color)) {
        return Add(std::move(name), PropertyType::Color,
                   [set](T& o, const PropertyValue& v) { (o.*set)(std::get<Color>(v)); });
    }
    // A property that layouts carry but that has no effect on this platform.
    // It is still declared, so a list holding it is checked and accepted.
    PropertyTable& Inert(std::string name, PropertyType type) {
        return Add(std::move(name), type, [](T&, const PropertyValue&) {});
    }

    std::optional<PropertyType> TypeOf(std::string_view name) const {
        const Entry* entry = Find(name);
        return entry ? std::optional<PropertyType>(entry->type) : std::nullopt;
    }
    void Set(T& object, std::string_view name, const PropertyValue& value) const {
        if (const Entry* entry = Find(name)) entry->set(object, value);
    }

    struct Entry {
        std::string name;
        PropertyType type;
        Setter set;
    };
    const std::vector<Entry>& Entries() const { return entries_; }

private:
    PropertyTable& Add(std::string name, PropertyType type, Setter set) {
        entries_.push_back({std::move(name), type, std::move(set)});
        return *this;
    }
    const Entry* Find(std::string_view name) const {
        for (const auto& entry : entries_)
            if (entry.name == name) return &entry;
        return nullptr;
    }

    std::vector<Entry> entries_;
};

}  // namespace fw
