#pragma once
// Inline pictures of text from the decoded-image cache of the scene globals.

#include "text/inline_picture.h"

namespace orva {

class TCachePictureSource final : public TInlinePictureSource {
 public:
  std::unique_ptr<TInlinePicture> Load(const std::string& name, const void* user) override;
};

}  // namespace orva
