// Stored layout properties that every visual control of the browsing
// library shares: geometry, colour, font, tab order, flags and the names of
// the window's event handlers. The control forwards what it does not handle
// itself; the window binds the handler names after the layout is read.
//
// Thread: the GUI thread.
#pragma once

#include <map>
#include <string>
#include <vector>

#include <QColor>

#include "platform/layout/value.h"

class QFont;
class QWidget;

namespace vistrel::browse {

// The text height Windows reports for `font` (its text metric
// height): ascent and descent, each rounded up to whole pixels. For the
// window's bold 11-pixel face this is 13.
int textMetricHeight(const QFont& font);

// The colour of a stored value: an identifier such as clNavy or clWindow, or
// an integer $00BBGGRR. Throws vistrel::Exception for an unknown name.
QColor colorFromValue(const layout::Value& value);

class ControlProperties {
 public:
  // `events` are the event names the control publishes ("OnChange", ...).
  ControlProperties(QWidget& widget, std::vector<std::string> events);

  // Applies one property. Returns false when the name is not one of the
  // shared properties. Colours go to the palette roles the control draws
  // with: the background to Base, Window and Button, the font colour to Text,
  // WindowText and ButtonText.
  bool read(const std::string& name, const layout::Value& value);

  // The shared properties as read, geometry as it is now.
  void store(std::vector<layout::Property>& out) const;

  // Tab order among the owner's controls; -1 when none was stored.
  int tabOrder() const { return tabOrder_; }
  // The handler bound to an event by the layout, empty when none.
  std::string handlerName(const std::string& event) const;

 private:
  void remember(const std::string& name, const layout::Value& value);

  QWidget& widget_;
  std::vector<std::string> events_;
  std::vector<layout::Property> read_;
  std::map<std::string, std::string> handlers_;
  int tabOrder_ = -1;
};

}  // namespace vistrel::browse
