#pragma once
// The system's exception family. Messages are Shift-JIS (CP932) bytes, as everywhere
// inside the player; convert with SjisToUtf8 only when showing them to the OS.

#include <exception>
#include <string>

namespace orva {

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const std::string& Message() const noexcept { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }
  // Adds ": <where>" to the message, for a handler that knows what the error was about and
  // rethrows it (the class stays).
  void AddContext(const std::string& where) { message_ += ": " + where; }
  // What the error is about when the message does not say (a page file), kept beside it:
  // boxes show the message alone, but reports tell errors about different things apart.
  const std::string& Subject() const noexcept { return subject_; }
  void SetSubject(std::string subject) { subject_ = std::move(subject); }
  // The file being read when the error came, as the user finds it (UTF-8), and inside an
  // archive the entry: "game/game.dat: start.osb". Kept apart from the message, which the
  // boxes show as it is. The innermost reader that knows it gives it; later ones leave it.
  const std::string& Where() const noexcept { return where_; }
  void NoteWhere(std::string where) {
    if (where_.empty()) where_ = std::move(where);
  }

 private:
  std::string message_;
  std::string subject_;
  std::string where_;
};

// Stream failures: short reads of a required block, counts that exceed the data.
class EStreamError : public Exception {
  using Exception::Exception;
};
class EReadError : public EStreamError {
  using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {
  using EStreamError::EStreamError;
};
class EFOpenError : public EStreamError {
  using EStreamError::EStreamError;
};
class EFCreateError : public EStreamError {
  using EStreamError::EStreamError;
};

// List index out of range and similar container misuse.
class EListError : public Exception {
  using Exception::Exception;
};

// Conversion of text to numbers and of values between types.
class EConvertError : public Exception {
  using Exception::Exception;
};

// zlib failures of whole-stream compression.
class ECompressionError : public Exception {
  using Exception::Exception;
};

}  // namespace orva
