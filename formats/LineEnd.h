// CR, the carriage return: the Acorn line end, and the line break inside the system's own
// messages (the window shows it as a new line).
#pragma once

namespace brelk {

inline constexpr char CR = '\r';

} // namespace brelk
