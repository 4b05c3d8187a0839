#include "core/range_stream.h"

#include <algorithm>

#include "core/big_stream.h"

namespace orva {

TRangeStream::TRangeStream(std::unique_ptr<TStream> source, int64_t offset, int64_t size)
    : source_(std::move(source)), offset_(std::max<int64_t>(offset, 0)), size_(std::max<int64_t>(size, 0)) {
  source_->SetPosition(offset_);
}

int64_t TRangeStream::Read(void* buffer, int64_t count) {
  int64_t position = source_->GetPosition();
  count = std::min(count, offset_ + size_ - position);
  if (count <= 0) return 0;
  return source_->Read(buffer, count);
}

int64_t TRangeStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t target = offset_ + SeekTarget(offset, origin, source_->GetPosition() - offset_, size_);
  target = std::clamp(target, offset_, offset_ + size_);
  source_->SetPosition(target);
  return target - offset_;
}

TRangeStream::TRangeStream(std::unique_ptr<TStream> source, int64_t offset, int64_t size, SizeZeroMeansRest)
    : TRangeStream(std::move(source), offset, size) {
  if (size == 0) size_ = std::max<int64_t>(source_->GetSize() - offset_, 0);
}

TFileRangeStream::TFileRangeStream(std::string_view gamePath, int64_t offset, int64_t size)
    : TRangeStream(std::make_unique<TWzBigFileStream>(gamePath, TWzBigFileStream::fmOpenRead |
                                                                    TWzBigFileStream::fmShareDenyWrite),
                   offset, size, SizeZeroMeansRest{}) {}

TResourceRangeStream::TResourceRangeStream(std::string_view resourceName, int64_t offset, int64_t size,
                                           std::string_view resourceType)
    : TRangeStream(std::make_unique<TWzBigResourceStream>(resourceName, resourceType), offset, size,
                   SizeZeroMeansRest{}) {}

}  // namespace orva
