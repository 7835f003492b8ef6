#include "app/shell.h"

#include <exception>

#include "job/alteration_job.h"

void FormCreate(TApplication& application, TDataAccess& dataAccess) {
  RunAlterationJob(dataAccess, application);
}

std::string WithClosingFullStop(const std::string& text) {
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') return text + ".";
  return text;
}

void CreateMainForm(TApplication& application, TDataAccess& dataAccess) {
  try {
    FormCreate(application, dataAccess);
  } catch (const std::exception& failure) {
    application.ShowErrorBox(WithClosingFullStop(failure.what()));
  } catch (...) {
    application.ShowErrorBox("Unknown failure.");
  }
}
