// The application object: title, message window, termination request and message loop.
// The Windows build shows real message boxes; the Linux build writes one line per message.
#ifndef UNLIMIT_PLATFORM_APPLICATION_H_
#define UNLIMIT_PLATFORM_APPLICATION_H_

#include <memory>
#include <string>

// What a message tells the user. The Windows message window looks the same for both; the
// console build writes successes to standard output and failures to standard error.
enum class TMessageKind { mkSuccess, mkFailure };

class TApplication {
 public:
  virtual ~TApplication() = default;
  // Derived from the executable's file name (see MakeApplicationTitle).
  virtual std::string Title() const = 0;
  // Modal message window captioned with the title; returns when the user acknowledges it,
  // or at once when a termination request is already pending. `text` is UTF-8.
  virtual void ShowMessage(const std::string& text, TMessageKind kind) = 0;
  // Queues a quit request and returns at once; a second request adds nothing.
  virtual void Terminate() = 0;
  // Reports a failure that escaped the main window's creation: stop icon, OK button.
  virtual void ShowErrorBox(const std::string& text) = 0;
  // Processes messages until a termination request is taken; returns the exit status.
  virtual int Run() = 0;
};

// The platform's application object.
std::unique_ptr<TApplication> CreateApplication();

#endif  // UNLIMIT_PLATFORM_APPLICATION_H_
