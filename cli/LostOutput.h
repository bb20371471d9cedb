#pragma once

#include <ostream>
#include <string_view>

namespace tesselar {

// Flushes `out`; when that fails (standard output a pipe whose reader has gone), says on `err`
// that the lines written there were lost, with the system's reason. A conversion whose files
// are complete still succeeds: its result does not depend on the success line being read.
void WarnWhenOutputIsLost(std::ostream& out, std::ostream& err, std::string_view program);

}  // namespace tesselar
