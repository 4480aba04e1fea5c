// Setting and removing environment variables in the tests: setenv and
// unsetenv where the system has them, _putenv_s on Windows (an empty value
// removes the variable there).
#pragma once

#include <cstdlib>

namespace talmeq::test {

inline bool setEnvironment(const char* name, const char* value) {
#ifdef _WIN32
  return _putenv_s(name, value) == 0;
#else
  return setenv(name, value, 1) == 0;
#endif
}

inline void unsetEnvironment(const char* name) {
#ifdef _WIN32
  _putenv_s(name, "");
#else
  unsetenv(name);
#endif
}

}  // namespace talmeq::test
