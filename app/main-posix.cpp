// The console program: creates the main form, whose creation runs the job, then runs the
// application until the job's termination request.
#include "app/shell.h"

int main() {
  std::unique_ptr<TApplication> application = CreateApplication();
  std::unique_ptr<TDataAccess> dataAccess = CreateDataAccess();
  CreateMainForm(*application, *dataAccess);
  return application->Run();
}
