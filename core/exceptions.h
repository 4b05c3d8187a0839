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

 private:
  std::string message_;
  std::string subject_;
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
