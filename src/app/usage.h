// The short usage text printed when the Linux program is asked for no
// unattended run.
#ifndef WAKELORE_APP_USAGE_H_
#define WAKELORE_APP_USAGE_H_

#include <string>

namespace wakelore {

std::wstring UsageText();

}  // namespace wakelore

#endif  // WAKELORE_APP_USAGE_H_
