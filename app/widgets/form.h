// The window that a stored layout fills: a fixed-size top-level widget with a
// single border (system menu and minimise button only) and the table of
// handlers that the layout's event properties are bound to by name.
//
// The window owns its controls and components through Qt's parent chain.
// When the layout has been read, loaded() sets the tab order from the stored
// TabOrder values and raises OnCreate through the dispatch point.
//
// Thread: the GUI thread.
#pragma once

#include <map>
#include <string>
#include <variant>
#include <vector>

#include <QWidget>

#include "app/widgets/event_control.h"
#include "platform/exception.h"

namespace vistrel::app {

class TForm : public QWidget, public EventControl {
 public:
  explicit TForm(QWidget* parent = nullptr);
  ~TForm() override;

  std::string className() const override { return "TForm"; }
  void insertChild(std::unique_ptr<layout::Component> child) override;
  std::vector<layout::Component*> childComponents() const override;
  void loaded() override;

  // The handler published under `name`; throws vistrel::Exception when there
  // is none of that kind.
  template <typename Handler>
  Handler handler(const std::string& name) const {
    auto found = handlers_.find(name);
    if (found == handlers_.end() || !std::holds_alternative<Handler>(found->second)) {
      throw Exception("Invalid property value: no event handler " + name + " in " +
                      componentName());
    }
    return std::get<Handler>(found->second);
  }

 protected:
  // Publishes a member of the concrete window as an event handler.
  template <typename Form>
  void publish(const std::string& name, void (Form::*method)(Sender*)) {
    handlers_[name] = NotifyHandler(
        [this, method](Sender* sender) { (static_cast<Form*>(this)->*method)(sender); });
  }
  template <typename Form>
  void publish(const std::string& name,
               void (Form::*method)(Sender*, int&, Qt::KeyboardModifiers)) {
    handlers_[name] = KeyHandler([this, method](Sender* sender, int& key, Qt::KeyboardModifiers s) {
      (static_cast<Form*>(this)->*method)(sender, key, s);
    });
  }
  template <typename Form>
  void publish(const std::string& name,
               void (Form::*method)(Sender*, Qt::MouseButton, Qt::KeyboardModifiers, int, int)) {
    handlers_[name] = MouseHandler(
        [this, method](Sender* sender, Qt::MouseButton b, Qt::KeyboardModifiers s, int x, int y) {
          (static_cast<Form*>(this)->*method)(sender, b, s, x, y);
        });
  }

  const controls::PropertyTable& propertyTable() const override;

 private:
  void setBorderIcons(const layout::Value::Set& icons);

  std::map<std::string, std::variant<NotifyHandler, KeyHandler, MouseHandler>> handlers_;
  std::vector<layout::Component*> children_;  // owned by Qt's parent chain
  NotifyEvent onCreate_;
  layout::Value::Set borderIcons_{{"biSystemMenu", "biMinimize", "biMaximize"}};
  std::string borderStyle_ = "bsSizeable";
  std::string position_ = "poDesigned";
  bool oldCreateOrder_ = false;
  int pixelsPerInch_ = 96;
  int textHeight_ = 13;
};

}  // namespace vistrel::app
