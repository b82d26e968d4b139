#pragma once

#include "core/Declaration.h"

#include <functional>

class SerialControl;

// The one wait every transfer uses. Each pass: is it done? then pump the event queue,
// sleeping until the next event arrives, so the receive handler and Abort run nested;
// then has Abort been pressed, has the device gone, is the window going away?
namespace boardwait {

enum class End { Done, Aborted, PortLost, Closing };

End waitUntil(const std::function<bool()>& done, const Declaration& d, const SerialControl& comm);

} // namespace boardwait
