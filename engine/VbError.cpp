#include "VbError.h"

namespace quorvel {

std::string_view VbErrorDescription(int number) {
  switch (number) {
    case 5: return "Invalid procedure call or argument";
    case 6: return "Overflow";
    case 7: return "Out of memory";
    case 9: return "Subscript out of range";
    case 52: return "Bad file name or number";
    case 53: return "File not found";
    case 55: return "File already open";
    case 57: return "Device I/O error";
    case 58: return "File already exists";
    case 61: return "Disk full";
    case 62: return "Input past end of file";
    case 67: return "Too many files";
    case 68: return "Device unavailable";
    case 70: return "Permission denied";
    case 71: return "Disk not ready";
    case 75: return "Path/File access error";
    case 76: return "Path not found";
    case 32755: return "Cancel was selected.";
    default: return "Application-defined or object-defined error";
  }
}

VbError::VbError(int number) : VbError(number, std::string(VbErrorDescription(number))) {}

VbError::VbError(int number, std::string description)
    : VbError(number, std::move(description), ErrorSubject::kNone, {}) {}

VbError VbError::About(ErrorSubject subject, int number, std::string detail) {
  return VbError(number, std::string(VbErrorDescription(number)), subject, std::move(detail));
}

VbError::VbError(int number, std::string description, ErrorSubject subject, std::string detail)
    : std::runtime_error("Error " + std::to_string(number) + " (" + description + ")" +
                         (detail.empty() ? "" : ": " + detail)),
      number_(number),
      description_(std::move(description)),
      subject_(subject),
      detail_(std::move(detail)) {}

}  // namespace quorvel
