// Base of the visible controls that a stored layout fills, in the browsing
// controls and the window alike: the properties every control stores
// (geometry, colour, font, tab order and tab stop, anchors, enabled, visible)
// on top of a QWidget that the concrete class also derives from.
//
// Thread: the GUI thread. The QWidget parent owns the control.
#pragma once

#include <map>
#include <string>
#include <vector>

#include <Qt>

#include "controls/colors.h"
#include "controls/stored_component.h"

class QFont;
class QWidget;

namespace vistrel::controls {

// A stored font: Font.Charset, Font.Color, Font.Height, Font.Name,
// Font.Pitch, Font.Style.
struct StoredFont {
  layout::Value::Identifier charset{"DEFAULT_CHARSET"};
  TColor color = clWindowText;
  int height = -11;
  std::string name = "MS Sans Serif";
  layout::Value::Identifier pitch{"fpDefault"};
  layout::Value::Set style;
};

// The face for `font`. As on Windows, a negative height is the character
// height in pixels (Qt's pixel size) and a positive one the cell height,
// internal leading included, so the face is scaled until its ascent and
// descent fill the cell.
QFont faceOf(const StoredFont& font);

// The text height Windows reports for `font` (its text metric height): ascent
// and descent, each rounded up to whole pixels. For the window's bold 11-pixel
// face this is 13.
int textMetricHeight(const QFont& font);

// TabStop: a control out of the tab order still takes the focus when it is
// clicked, as on Windows.
Qt::FocusPolicy focusPolicyFor(bool tabStop);

// Makes "MS Sans Serif" fall back to a metric-compatible sans face where it is
// not installed. Idempotent.
void installFontSubstitutes();

class Control : public StoredComponent {
 public:
  explicit Control(QWidget* widget);

  QWidget* widget() const { return widget_; }
  TColor color() const { return color_; }
  void setColor(TColor color);
  TColor fontColor() const { return font_.color; }
  void setFontColor(TColor color);
  // Tab order among the owner's controls; -1 when none was stored.
  int tabOrder() const { return tabOrder_; }
  // The handler that the layout named for `event` on a control that keeps
  // handler names for its window to bind (see namedHandler); empty when none.
  std::string handlerName(const std::string& event) const;

 protected:
  const PropertyTable& propertyTable() const override { return controlPropertyTable(); }
  static const PropertyTable& controlPropertyTable();
  // An event property whose handler name is only kept (handlerName()).
  static StoredProperty namedHandler(std::string event);

  // Applies colour and font to the widget's palette; subclasses whose
  // background is not the Window role override it.
  virtual void applyPalette();

 private:
  void applyFont();

  QWidget* widget_;
  TColor color_ = clBtnFace;
  bool hasColor_ = false;
  StoredFont font_;
  bool hasFont_ = false;
  bool parentFont_ = true;
  bool parentColor_ = true;
  bool ctl3D_ = true;
  bool parentCtl3D_ = true;
  int tabOrder_ = -1;
  bool tabStop_ = true;
  layout::Value::Set anchors_{{"akLeft", "akTop"}};
  std::map<std::string, std::string> handlerNames_;
};

}  // namespace vistrel::controls
