#pragma once
// Modal message boxes (start-up errors, the disc request, warnings). Texts are UTF-8: callers
// convert the game's Shift-JIS text at this boundary. The shell installs the windowed
// backend; tests install a scripted one.

#include <deque>
#include <string>
#include <vector>

namespace orva {

enum class TMsgButtons { OK, OKCancel, YesNo, YesNoCancel };
enum class TMsgIcon { None, Information, Warning, Error, Question };
// None: nobody could answer (no display, no script left); callers treat it as neither OK nor Yes.
enum class TMsgResult { None, OK, Cancel, Yes, No };

class TMessageBoxService {
 public:
  virtual ~TMessageBoxService() = default;
  virtual TMsgResult Show(const std::string& text, const std::string& caption, TMsgButtons buttons,
                          TMsgIcon icon) = 0;
};

// The service in use: the installed one, else a backend that prints the box on standard
// error and answers OK to a box with only OK, None to any other.
TMessageBoxService& MessageBoxService();
// Installs a service (not owned; nullptr restores the default).
void SetMessageBoxService(TMessageBoxService* service);

// Answers from a script, in order, and records every box shown.
class TScriptedMessageBox : public TMessageBoxService {
 public:
  struct Shown {
    std::string text;
    std::string caption;
    TMsgButtons buttons;
    TMsgIcon icon;
  };

  explicit TScriptedMessageBox(std::deque<TMsgResult> answers = {}) : answers_(std::move(answers)) {}
  void Answer(TMsgResult result) { answers_.push_back(result); }
  // None once the script is used up.
  TMsgResult Show(const std::string& text, const std::string& caption, TMsgButtons buttons,
                  TMsgIcon icon) override;
  const std::vector<Shown>& Boxes() const { return shown_; }
  size_t AnswersLeft() const { return answers_.size(); }

 private:
  std::deque<TMsgResult> answers_;
  std::vector<Shown> shown_;
};

// Installs a service for the lifetime of a scope.
class TMessageBoxScope {
 public:
  explicit TMessageBoxScope(TMessageBoxService& service) { SetMessageBoxService(&service); }
  ~TMessageBoxScope() { SetMessageBoxService(nullptr); }
  TMessageBoxScope(const TMessageBoxScope&) = delete;
  TMessageBoxScope& operator=(const TMessageBoxScope&) = delete;
};

}  // namespace orva
