// TVLImageGen: a generator whose frames are its picture. Each frame shares the
// pixels of the generator's internal buffer, which is filled only when the
// picture changes; a frame already sent keeps its pixels when a new picture
// arrives (copy-on-write).
#pragma once

#include <QImage>

#include "pipeline/common_gen.h"
#include "pipeline/gen_picture.h"

namespace vistrel {

class TVLImageGen : public TVLCommonGen {
 public:
  TVLImageGen();
  ~TVLImageGen() override;

  std::string className() const override { return "TVLImageGen"; }

  // The picture; loading into it converts it into the internal buffer
  // (PictureChanged). Do not change it while another thread runs GenerateFrame.
  TVLGenPicture& Picture() { return picture_; }
  // Copies `picture` (under the generator's lock).
  void SetPicture(const TVLGenPicture& picture);

  // The buffer that frames share (inspection).
  const TVLImageBuffer& InternalBuffer() const { return internalBuffer_; }

 protected:
  void ProduceData(TVLImageBuffer& frame, bool& send, bool& stop) override;
  TVLSize& GetFrameSize() override;

 private:
  void PictureChanged();

  TVLGenPicture picture_;
  QImage workBitmap_;
  TVLImageBuffer internalBuffer_;
};

}  // namespace vistrel
