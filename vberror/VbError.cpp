#include "VbError.h"

namespace quorvel {

std::string_view VbErrorDescription(int number) {
  switch (number) {
    case kErrInvalidProcedureCall: return "Invalid procedure call or argument";
    case kErrOverflow: return "Overflow";
    case kErrOutOfMemory: return "Out of memory";
    case kErrSubscriptOutOfRange: return "Subscript out of range";
    case kErrBadFileNameOrNumber: return "Bad file name or number";
    case kErrFileNotFound: return "File not found";
    case kErrFileAlreadyOpen: return "File already open";
    case kErrDeviceIo: return "Device I/O error";
    case kErrFileAlreadyExists: return "File already exists";
    case kErrDiskFull: return "Disk full";
    case kErrInputPastEndOfFile: return "Input past end of file";
    case kErrTooManyFiles: return "Too many files";
    case kErrDeviceUnavailable: return "Device unavailable";
    case kErrPermissionDenied: return "Permission denied";
    case kErrDiskNotReady: return "Disk not ready";
    case kErrPathFileAccess: return "Path/File access error";
    case kErrPathNotFound: return "Path not found";
    case kErrCancel: return "Cancel was selected.";
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
