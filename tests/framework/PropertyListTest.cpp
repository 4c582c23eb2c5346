#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "framework/Exceptions.h"
#include "framework/PropertyList.h"

namespace {

using fw::Color;
using fw::PropertyList;
using fw::PropertyType;
using fw::PropertyValue;

// A holder that declares a fixed set of properties and records every set.
class RecordingHolder : public fw::PropertyHolder {
public:
    std::optional<PropertyType> DeclaredType(std::string_view name) const override {
        static const std::map<std::string, PropertyType, std::less<>> declared = {
            {"Width", PropertyType::Integer},  {"Visible", PropertyType::Boolean},
            {"Title", PropertyType::String},   {"BackColor", PropertyType::Color},
            {"Height", PropertyType::Integer},
        };
        const auto found = declared.find(name);
        if (found == declared.end()) return std::nullopt;
        return found->second;
    }
    void SetProperty(std::string_view name, const PropertyValue& value) override {
        applied.emplace_back(std::string(name), value);
    }
    fw::PropertyEntries applied;
};

std::string Bytes(std::initializer_list<int> values) {
    std::string bytes;
    for (int value : values) bytes += static_cast<char>(value);
    return bytes;
}

TEST(PropertyList, EncodesEachTypeAsNameBlankAndBigEndianValue) {
    EXPECT_EQ(PropertyList().AddInteger("Width", 436).Bytes(), "Width " + Bytes({0, 0, 0x01, 0xB4}));
    EXPECT_EQ(PropertyList().AddInteger("N", -2).Bytes(), "N " + Bytes({0xFF, 0xFF, 0xFF, 0xFE}));
    EXPECT_EQ(PropertyList().AddBoolean("Visible", true).Bytes(), "Visible " + Bytes({1}));
    EXPECT_EQ(PropertyList().AddBoolean("Visible", false).Bytes(), "Visible " + Bytes({0}));
    EXPECT_EQ(PropertyList().AddString("Title", "Hi").Bytes(), "Title " + Bytes({0, 0, 0, 2}) + "Hi");
    EXPECT_EQ(PropertyList().AddColor("BackColor", {255, 128, 0}).Bytes(),
              "BackColor " + Bytes({0xFF, 0x80, 0x00}));
}

TEST(PropertyList, EncoderRefusesNamesThatCouldNotBeReadBack) {
    EXPECT_THROW(PropertyList().AddInteger("", 1), fw::PropertyListException);
    EXPECT_THROW(PropertyList().AddBoolean("Has Blank", true), fw::PropertyListException);
}

TEST(PropertyList, RoundTripsEveryTypeInStoredOrder) {
    const std::string raw("\0\xFF" "x y", 5);  // zero byte, high byte and a blank
    PropertyList list;
    list.AddInteger("Width", INT32_MIN)
        .AddBoolean("Visible", true)
        .AddString("Title", raw)
        .AddColor("BackColor", {1, 2, 3})
        .AddInteger("Height", INT32_MAX)
        .AddString("Title", "")
        .AddBoolean("Visible", false);
    RecordingHolder holder;
    fw::SetProperties(holder, list);
    const fw::PropertyEntries expected = {
        {"Width", INT32_MIN},        {"Visible", true},          {"Title", raw},
        {"BackColor", Color{1, 2, 3}}, {"Height", INT32_MAX},    {"Title", std::string()},
        {"Visible", false},
    };
    EXPECT_EQ(holder.applied, expected);
}

TEST(PropertyList, EmptyListAppliesNothing) {
    RecordingHolder holder;
    fw::SetProperties(holder, PropertyList());
    EXPECT_TRUE(holder.applied.empty());
}

struct MalformedCase {
    const char* what;
    std::string bytes;
    std::string messagePart;  // the property the error must name
};

// Each list starts with a good entry, so applying it partly would show.
std::vector<MalformedCase> MalformedLists() {
    const std::string good = PropertyList().AddInteger("Width", 5).Bytes();
    return {
        {"unknown name", good + "Widht " + Bytes({0, 0, 0, 1}), "Unknown property 'Widht'"},
        {"name without blank", good + "Height", "'Height'"},
        {"integer cut short", good + "Height " + Bytes({0, 0, 1}), "'Height'"},
        {"Boolean missing", good + "Visible ", "'Visible'"},
        {"Boolean byte 2", good + "Visible " + Bytes({2}), "'Visible'"},
        {"Boolean byte 0xFF", good + "Visible " + Bytes({0xFF}), "'Visible'"},
        {"string length cut short", good + "Title " + Bytes({0, 0}), "'Title'"},
        {"string past the end", good + "Title " + Bytes({0, 0, 0, 5}) + "abcd", "'Title'"},
        {"negative string length", good + "Title " + Bytes({0xFF, 0xFF, 0xFF, 0xFF}), "'Title'"},
        {"color cut short", good + "BackColor " + Bytes({1, 2}), "'BackColor'"},
        {"empty name", good + " " + Bytes({1}), "Unknown property ''"},
        {"trailing good entry after a bad one",
         good + "Visible " + Bytes({3}) + PropertyList().AddInteger("Height", 1).Bytes(), "'Visible'"},
    };
}

TEST(PropertyList, MalformedListThrowsNamingThePropertyAndAppliesNothing) {
    for (const auto& c : MalformedLists()) {
        SCOPED_TRACE(c.what);
        RecordingHolder holder;
        try {
            fw::SetProperties(holder, PropertyList(c.bytes));
            ADD_FAILURE() << "no exception";
        } catch (const fw::PropertyListException& error) {
            EXPECT_NE(std::string(error.what()).find(c.messagePart), std::string::npos) << error.what();
        }
        EXPECT_TRUE(holder.applied.empty());
    }
}

TEST(PropertyList, DecodeUsesOnlyTheGivenTypes) {
    // The same bytes read as a String of length 1 under one declaration and
    // as an Integer under another.
    const PropertyList list("X " + Bytes({0, 0, 0, 1}) + "z");
    const auto asString = fw::DecodeProperties(list, [](std::string_view) { return PropertyType::String; });
    ASSERT_EQ(asString.size(), 1u);
    EXPECT_EQ(asString[0].second, PropertyValue(std::string("z")));
    EXPECT_THROW(fw::DecodeProperties(list, [](std::string_view) { return PropertyType::Integer; }),
                 fw::PropertyListException);  // "z" is left over as a name without blank
}

}  // namespace
