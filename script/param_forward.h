#pragma once
// Base of the values that hold no elements and hand every element operation to another
// value (a reference's target, the engine value behind a system variable). Without one,
// reads give the zero of each type and writes do nothing.

#include "script/param.h"

namespace orva {

class TForwardingParam : public TCustomParam {
 public:
  void SetCount(int32_t count) override {
    if (TCustomParam* f = Forward()) f->SetCount(count);
  }
  int32_t GetIntItem(int32_t index) const override {
    const TCustomParam* f = Forward();
    return f ? f->GetIntItem(index) : 0;
  }
  void SetIntItem(int32_t index, int32_t value) override {
    if (TCustomParam* f = Forward()) f->SetIntItem(index, value);
  }
  long double GetFloatItem(int32_t index) const override {
    const TCustomParam* f = Forward();
    return f ? f->GetFloatItem(index) : 0.0L;
  }
  void SetFloatItem(int32_t index, long double value) override {
    if (TCustomParam* f = Forward()) f->SetFloatItem(index, value);
  }
  bool GetBoolItem(int32_t index) const override {
    const TCustomParam* f = Forward();
    return f ? f->GetBoolItem(index) : false;
  }
  void SetBoolItem(int32_t index, bool value) override {
    if (TCustomParam* f = Forward()) f->SetBoolItem(index, value);
  }
  std::string GetStrItem(int32_t index) const override {
    const TCustomParam* f = Forward();
    return f ? f->GetStrItem(index) : std::string();
  }
  void SetStrItem(int32_t index, std::string_view value) override {
    if (TCustomParam* f = Forward()) f->SetStrItem(index, value);
  }
  void FillInt(int32_t value) override {
    if (TCustomParam* f = Forward()) f->FillInt(value);
  }
  void FillFloat(long double value) override {
    if (TCustomParam* f = Forward()) f->FillFloat(value);
  }
  void FillBool(bool value) override {
    if (TCustomParam* f = Forward()) f->FillBool(value);
  }
  void FillStr(std::string_view value) override {
    if (TCustomParam* f = Forward()) f->FillStr(value);
  }
  void MakeScalar() override {
    if (TCustomParam* f = Forward()) f->MakeScalar();
  }

 protected:
  using TCustomParam::TCustomParam;
  // The value that answers, or none.
  virtual TCustomParam* Forward() const = 0;
};

}  // namespace orva
