// Base of the controls and components that the window's stored layout fills.
// The properties that were read are remembered in their stored order, and
// writing returns the current value of each of them in that same order, so
// reading and writing a layout round-trip while the written values follow
// the live state (a caption changed by program is written as it is now).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/controls/events.h"
#include "platform/layout/component.h"

namespace vistrel::app {

class TForm;

class StoredComponent : public layout::Component {
 public:
  bool readProperty(const std::string& name, const layout::Value& value,
                    layout::ReadContext& context) final;
  std::vector<layout::Property> storedProperties() const final;

 protected:
  // Sets one property; false when this class has no such property. Throws
  // vistrel::Exception when the value does not fit.
  virtual bool applyProperty(const std::string& name, const layout::Value& value,
                             layout::ReadContext& context) = 0;
  // The current value of a property that applyProperty accepted.
  virtual layout::Value propertyValue(const std::string& name) const = 0;

  // Binds an event property ("OnClick = ListBox1Click") to the handler of
  // that name in the window being read. Throws when there is none of that kind.
  static void bindEvent(NotifyEvent& slot, const layout::Value& value,
                        layout::ReadContext& context);
  static void bindEvent(KeyEvent& slot, const layout::Value& value, layout::ReadContext& context);
  static void bindEvent(MouseEvent& slot, const layout::Value& value, layout::ReadContext& context);
  static layout::Value eventValue(const std::string& handlerName);

 private:
  std::vector<std::string> storedOrder_;
};

}  // namespace vistrel::app
