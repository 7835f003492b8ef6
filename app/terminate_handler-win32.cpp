// Replaces the C++ library's default terminate handler, which writes the escaping
// exception's demangled type to standard error. A GUI program has no standard error to read,
// and the demangler the handler brings along is a sixth of the program's size. The job and
// the window procedure catch everything, so this runs only on a fault of the library itself.
#include <cstdlib>

namespace __gnu_cxx {

void __verbose_terminate_handler() {
  std::abort();
}

}  // namespace __gnu_cxx
