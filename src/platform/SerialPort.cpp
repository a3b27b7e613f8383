#include "platform/SerialPort.h"

namespace lumarel {

const char* Describe(PortOpenError error) {
  switch (error) {
    case PortOpenError::None: return "no error";
    case PortOpenError::NoSuchDevice: return "no such device";
    case PortOpenError::PermissionDenied: return "permission denied";
    case PortOpenError::Busy: return "in use by another program";
    case PortOpenError::NotATerminal: return "not a serial device";
    case PortOpenError::Other: return "cannot be opened";
  }
  return "cannot be opened";
}

}  // namespace lumarel
