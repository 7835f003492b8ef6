#include "tests/fake_application.h"

void TFakeApplication::ShowMessage(const std::string& text, TMessageKind kind) {
  log_.push_back(std::string(kind == TMessageKind::mkSuccess ? "success " : "failure ") + text);
}
