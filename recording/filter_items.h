// TDSFilterItems: extra filters a recording graph gets besides its own
// (none in the viewer). Each item names a registered filter by its unique
// friendly name (FilterName, "None" for no filter) and keeps the filter's
// device display name to create it by.
//
// Thread: the main thread.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/layout/stored_properties.h"
#include "platform/media/filter_graph.h"

namespace vistrel {

class TDSFilterItem : public layout::StoredObject {
 public:
  const std::string& FilterName() const { return filterName_; }
  // Looks the name up among every registered filter; found, it is taken with
  // the filter's display name, else the display name is cleared and the old
  // name kept. An empty name clears both.
  void SetFilterName(const std::string& name);
  const std::string& DisplayName() const { return displayName_; }

  // The filter this item names, or null when it is "None" or cannot be made.
  media::Ref<media::BaseFilter> CreateFilter() const;
  bool IsNone() const;

  // Stored form: "Data" = (display name, FilterName), written unless the
  // item is "None".
  layout::CollectionItem storedProperties() const { return propertyTable().write(*this); }
  void readStoredProperties(const layout::CollectionItem& item);

 private:
  static const layout::PropertyTable& propertyTable();

  std::string filterName_ = "None";
  std::string displayName_;
};

class TDSFilterItems {
 public:
  std::size_t Count() const { return items_.size(); }
  TDSFilterItem& Item(std::size_t index) { return *items_.at(index); }
  const TDSFilterItem& Item(std::size_t index) const { return *items_.at(index); }
  TDSFilterItem& Add();
  void Clear() { items_.clear(); }
  // "Filter 1" for the first item.
  static std::string DisplayText(std::size_t index);

  layout::Value::Collection Stored() const { return layout::writeCollection(items_); }
  void Read(const layout::Value::Collection& collection);

 private:
  std::vector<std::unique_ptr<TDSFilterItem>> items_;
};

}  // namespace vistrel
