#pragma once
#include <stdexcept>
#include <string>
#include <string_view>

namespace quorvel {

// Run-time error numbers, as a Visual Basic programmer knows them. Every number the program
// raises or maps to has its name here.
enum VbErrorNumber : int {
  kErrInvalidProcedureCall = 5,
  kErrOverflow = 6,
  kErrOutOfMemory = 7,
  kErrSubscriptOutOfRange = 9,
  kErrInternal = 51,
  kErrBadFileNameOrNumber = 52,
  kErrFileNotFound = 53,
  kErrFileAlreadyOpen = 55,
  kErrDeviceIo = 57,
  kErrFileAlreadyExists = 58,
  kErrDiskFull = 61,
  kErrInputPastEndOfFile = 62,
  kErrTooManyFiles = 67,
  kErrDeviceUnavailable = 68,
  kErrPermissionDenied = 70,
  kErrDiskNotReady = 71,
  kErrPathFileAccess = 75,
  kErrPathNotFound = 76,
  kErrResourceNotFound = 326,
  kErrCancel = 32755,  // "Cancel was selected." of the common dialog
  kErrCommonDialogFailed = 32765,  // the common dialog could not be shown
};

// The description Visual Basic gives for a run-time error number.
std::string_view VbErrorDescription(int number);

// Which input of a conversion an error is about, so that a caller can name it.
enum class ErrorSubject { kNone, kFileName, kDestination };

// Every failure of the program: a run-time error number and its description, and for some a
// detail saying what exactly was wrong ("the file name holds U+000A (a line break)").
class VbError : public std::runtime_error {
 public:
  explicit VbError(int number);
  VbError(int number, std::string description);
  // The standard description of the number, with a detail about one input.
  static VbError About(ErrorSubject subject, int number, std::string detail);

  int Number() const noexcept { return number_; }
  const std::string& Description() const noexcept { return description_; }
  const std::string& Detail() const noexcept { return detail_; }  // empty when there is none
  ErrorSubject Subject() const noexcept { return subject_; }

 private:
  VbError(int number, std::string description, ErrorSubject subject, std::string detail);

  int number_;
  std::string description_;
  ErrorSubject subject_ = ErrorSubject::kNone;
  std::string detail_;
};

}  // namespace quorvel
