#pragma once
// UseMMX set as a test or benchmark needs it for a scope, so that the packed and the plain
// paths of the drawing operations can both be run.

#include "graphics/custom_dibx.h"

namespace orva::kit {

class PackedScope {
 public:
  explicit PackedScope(bool packed) : saved_(UseMMX) { UseMMX = packed; }
  ~PackedScope() { UseMMX = saved_; }
  PackedScope(const PackedScope&) = delete;
  PackedScope& operator=(const PackedScope&) = delete;

 private:
  bool saved_;
};

}  // namespace orva::kit
