#include "recording/filter_items.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "platform/exception.h"
#include "platform/media/devices.h"

namespace vistrel {

bool TDSFilterItem::IsNone() const {
  return std::ranges::equal(filterName_, std::string_view("NONE"),
                            [](unsigned char c, char upper) { return std::toupper(c) == upper; });
}

void TDSFilterItem::SetFilterName(const std::string& name) {
  if (name == filterName_) return;
  if (name.empty()) {
    filterName_.clear();
    displayName_.clear();
    return;
  }
  for (const media::CategoryEntry& filter : media::listCategory(std::nullopt)) {
    if (filter.friendlyName == name) {
      displayName_ = filter.displayName;
      filterName_ = name;
      return;
    }
  }
  displayName_.clear();
}

media::Ref<media::BaseFilter> TDSFilterItem::CreateFilter() const {
  if (IsNone() || displayName_.empty()) return nullptr;
  return media::createDevice(displayName_);
}

const layout::PropertyTable& TDSFilterItem::propertyTable() {
  static const layout::PropertyTable table(
      {}, {layout::Stored<TDSFilterItem>::property(
               "Data",
               [](const TDSFilterItem& item) {
                 if (item.IsNone()) return layout::Value::List{};
                 return layout::Value::List{{item.displayName_, item.filterName_}};
               },
               [](TDSFilterItem& item, const layout::Value::List& data) {
                 if (data.items.size() != 2)
                   throw Exception("A filter item's Data holds two strings");
                 item.displayName_ = data.items[0].asString();
                 item.filterName_ = data.items[1].asString();
               })
               .orDefault(layout::Value::List{})});
  return table;
}

void TDSFilterItem::readStoredProperties(const layout::CollectionItem& item) {
  for (const layout::Property& property : item) {
    if (!propertyTable().read(*this, property.name, property.value()))
      throw Exception("Unknown filter item property " + property.name);
  }
}

TDSFilterItem& TDSFilterItems::Add() {
  items_.push_back(std::make_unique<TDSFilterItem>());
  return *items_.back();
}

std::string TDSFilterItems::DisplayText(std::size_t index) {
  return "Filter " + std::to_string(index + 1);
}

void TDSFilterItems::Read(const layout::Value::Collection& collection) {
  items_.clear();
  for (const layout::CollectionItem& stored : collection.items) Add().readStoredProperties(stored);
}

}  // namespace vistrel
