#include "platform/message_box.h"

#include <cstdio>

namespace orva {
namespace {

class TConsoleMessageBox : public TMessageBoxService {
 public:
  TMsgResult Show(const std::string& text, const std::string& caption, TMsgButtons buttons, TMsgIcon) override {
    std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
    return buttons == TMsgButtons::OK ? TMsgResult::OK : TMsgResult::None;
  }
};

TMessageBoxService* installed = nullptr;

}  // namespace

TMessageBoxService& MessageBoxService() {
  static TConsoleMessageBox console;
  return installed ? *installed : console;
}

void SetMessageBoxService(TMessageBoxService* service) { installed = service; }

TMsgResult TScriptedMessageBox::Show(const std::string& text, const std::string& caption, TMsgButtons buttons,
                                     TMsgIcon icon) {
  shown_.push_back({text, caption, buttons, icon});
  if (answers_.empty()) return TMsgResult::None;
  TMsgResult answer = answers_.front();
  answers_.pop_front();
  return answer;
}

}  // namespace orva
