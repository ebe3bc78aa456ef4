#pragma once
#include <stdexcept>
#include <string>
#include <string_view>

namespace quorvel {

// Run-time error numbers, as a Visual Basic programmer knows them.
enum VbErrorNumber : int {
  kErrOverflow = 6,
  kErrSubscriptOutOfRange = 9,
  kErrBadFileNameOrNumber = 52,
  kErrFileNotFound = 53,
  kErrDiskFull = 61,
  kErrInputPastEndOfFile = 62,
  kErrPermissionDenied = 70,
  kErrPathFileAccess = 75,
  kErrPathNotFound = 76,
  kErrCancel = 32755,  // "Cancel was selected." of the common dialog
};

// The description Visual Basic gives for a run-time error number.
std::string_view VbErrorDescription(int number);

// Every failure of the program: a run-time error number and its description.
class VbError : public std::runtime_error {
 public:
  explicit VbError(int number);
  VbError(int number, std::string description);

  int Number() const noexcept { return number_; }
  const std::string& Description() const noexcept { return description_; }

 private:
  int number_;
  std::string description_;
};

}  // namespace quorvel
