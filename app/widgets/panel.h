// TPanel: a label with a centred caption that the window uses as a button.
// QLabel has no click, so we make one from a left press and release inside
// the panel and raise it before the mouse-up handler, which therefore sees
// what the click changed. We swallow the second press of a double click, so
// that a double click acts once, not twice. The panel does not change its
// own colour when pressed; the window's handlers do.
//
// For the keyboard and assistive technology the panel is a push button: a
// Tab stop (Tab only, so that a click does not move the focus as it never
// did), Space or Enter raise the click (no mouse events), a dotted frame
// shows the focus, and its accessible role is a push button whose name is
// the spoken form of the caption (see setSpokenCaption). The stored
// properties are those of a panel; nothing of this is stored.
#pragma once

#include <map>
#include <string>

#include <QLabel>

#include "app/widgets/event_control.h"

namespace vistrel::app {

class TPanel : public QLabel, public EventControl {
 public:
  explicit TPanel(QWidget* parent = nullptr);

  std::string className() const override { return "TPanel"; }
  std::string caption() const { return text().toStdString(); }
  void setCaption(const std::string& caption);
  // The name assistive technology reads while the caption is `caption`
  // ("Stop slide show" for "S T O P"); other captions are read as written.
  void setSpokenCaption(const std::string& caption, const std::string& spoken);
  std::string spokenCaption() const;
  // Raises the click as a user's click does (the keyboard, or an assistive
  // technology's press action).
  void click();

 protected:
  const controls::PropertyTable& propertyTable() const override;

  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void applyFrame();

  std::string bevelOuter_ = "bvRaised";
  std::string borderStyle_ = "bsNone";
  bool clickArmed_ = false;
  std::map<std::string, std::string> spokenCaptions_;
};

}  // namespace vistrel::app
