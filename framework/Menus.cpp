#include "framework/Menus.h"

#include "framework/Exceptions.h"

namespace fw {

void MenuItem::Append(std::shared_ptr<MenuItem> child) {
    if (!child) throw NilObjectException("Cannot append an empty menu item to '" + name_ + "'");
    children_.push_back(std::move(child));
}

std::shared_ptr<MenuItem> MenuItem::Item(std::int32_t index) const {
    if (index < 0 || index >= Count())
        throw OutOfBoundsException("Menu '" + name_ + "' has no item " + std::to_string(index));
    return children_[static_cast<std::size_t>(index)];
}

std::shared_ptr<MenuItem> MenuItem::Child(std::string_view name) const {
    for (const auto& child : children_)
        if (child->Name() == name) return child;
    return nullptr;
}

std::shared_ptr<MenuItem> MenuItem::Lookup(std::string_view name) const {
    // Depth first: an entry's own children are searched before its next sibling.
    for (const auto& child : children_) {
        if (child->Name() == name) return child;
        if (auto below = child->Lookup(name)) return below;
    }
    return nullptr;
}

}  // namespace fw
