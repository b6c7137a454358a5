// TVLImageGen: a generator whose frames are its picture. Each frame shares the
// pixels of the generator's internal buffer, which is filled only when the
// picture changes; a frame already sent keeps its pixels when a new picture
// arrives (copy-on-write). The buffer keeps the picture's bitmap and converts
// it on the thread that first reads a frame's pixels (the recorder's), so
// that changing the picture copies no pixel. A JPEG picture decoded into
// video planes (TJPEGImage::decodeVideoPlanes) is handed on as those planes.
#pragma once

#include <QImage>

#include "picture/picture.h"
#include "pipeline/common_gen.h"

namespace vistrel {

class TVLImageGen : public TVLCommonGen {
 public:
  // `owner` is the component the layout reader creates it for; unused.
  explicit TVLImageGen(layout::Component* owner = nullptr);
  ~TVLImageGen() override;

  std::string className() const override { return "TVLImageGen"; }
  // The picture. Every change hands its bitmap to the internal buffer
  // (PictureChanged, on the changing thread, without the generator's lock):
  // do not change it while another thread runs GenerateFrame. A JPEG whose
  // data is damaged after a good header throws its decoding error out of the
  // change (the load), after the buffer took the rows that could be decoded.
  TPicture& Picture() { return picture_; }
  // Copies `picture` (under the generator's lock).
  void SetPicture(const TPicture& picture);

  // The buffer that frames share (inspection).
  const TVLImageBuffer& InternalBuffer() const { return internalBuffer_; }

 protected:
  // Adds the stored picture, "Picture.Data", to the generator's properties.
  const layout::PropertyTable& propertyTable() const override;
  void ProduceData(TVLImageBuffer& frame, bool& send, bool& stop) override;
  TVLSize& GetFrameSize() override;

 private:
  void PictureChanged();

  TPicture picture_;
  QImage workBitmap_;
  TVLImageBuffer internalBuffer_;
};

// Registers TVLImageGen with the layout reader's global class registry.
void RegisterImageGenClass();

}  // namespace vistrel
