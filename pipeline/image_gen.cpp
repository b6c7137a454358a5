#include "pipeline/image_gen.h"

namespace vistrel {

TVLImageGen::TVLImageGen() {
  picture_.onChange = [this] { PictureChanged(); };
}

TVLImageGen::~TVLImageGen() {
  BeforeDestruction();
  picture_.onChange = nullptr;
}

void TVLImageGen::SetPicture(const TVLGenPicture& picture) {
  TOWWriteLockSection lock(LockObject());
  picture_.Assign(picture);
}

void TVLImageGen::PictureChanged() {
  workBitmap_ = RenderPicture(picture_);
  internalBuffer_.SetSize(picture_.Width(), picture_.Height());
  if (!workBitmap_.isNull()) internalBuffer_.LoadFromBitmap(workBitmap_);
}

TVLSize& TVLImageGen::GetFrameSize() {
  TVLSize& size = TVLCommonGen::GetFrameSize();
  size.SetWidth(picture_.Width());
  size.SetHeight(picture_.Height());
  return size;
}

void TVLImageGen::ProduceData(TVLImageBuffer& frame, bool& send, bool& stop) {
  frame.Assign(internalBuffer_);
}

}  // namespace vistrel
