// The picture control: paints its picture over its whole client area
// (stretched, so other proportions are distorted to fit), opaquely.
//
// Loading decodes at once, in the caller (a handler), so that a damaged
// snapshot's error reaches the error box exactly once; painting never throws
// and shows whatever the picture holds.
//
// Thread: the GUI thread.
#pragma once

#include <string>

#include <QWidget>

#include "app/widgets/event_control.h"
#include "picture/picture.h"

namespace vistrel::app {

class TImage : public QWidget, public EventControl {
 public:
  explicit TImage(QWidget* parent = nullptr);

  std::string className() const override { return "TImage"; }

  TPicture& picture() { return picture_; }
  const TPicture& picture() const { return picture_; }
  // Loads the file at a Windows path. On failure throws the loader's error
  // ("Cannot open file %s", "JPEG error #%d", ...); a file that cannot be
  // read keeps the previous picture, one whose data is damaged after a good
  // header is kept with the rows decoded before the damage, unless
  // `keepPreviousOnDamage` asks to keep the previous picture then too.
  void loadFromFile(const std::string& path, bool keepPreviousOnDamage = false);

 protected:
  const controls::PropertyTable& propertyTable() const override;
  void paintEvent(QPaintEvent* event) override;

 private:
  TPicture picture_;
  bool stretch_ = false;
};

}  // namespace vistrel::app
