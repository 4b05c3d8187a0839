#pragma once
// The motion a control plays (a film run on the control): what the control calls. The motion
// player itself is built with the films; until then LoadMotion makes nothing unless a
// factory is installed.

#include <functional>
#include <memory>
#include <string_view>

namespace orva {

class TOrvaControl;

class TOrvaMotion {
 public:
  virtual ~TOrvaMotion() = default;
  virtual TOrvaControl* GetOwner() = 0;
  // The control's destructor clears the owner first, so that the motion leaves it alone.
  virtual void SetOwner(TOrvaControl* owner) = 0;
  // One frame; true exactly in the step in which a non-repeating film reaches its end.
  virtual bool Step() = 0;
  virtual bool IsFinished() = 0;
  virtual void Rewind() = 0;
  // Applies the current tick again after the surfaces were rebuilt.
  virtual void Reapply() = 0;
};

// Makes the motion of a control from a film file: the control becomes its owner and the film
// is loaded. Errors of the load propagate.
using TMotionFactory = std::function<std::unique_ptr<TOrvaMotion>(TOrvaControl& owner, std::string_view fileName)>;

// Installs the factory (none: controls load no motions). Returns the previous one.
TMotionFactory SetMotionFactory(TMotionFactory factory);
const TMotionFactory& GetMotionFactory();

}  // namespace orva
